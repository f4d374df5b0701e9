# Sourced by the project's scripts: a Wine prefix of the build's own and a
# persistent wineserver for it, so that each Wine process starts in well
# under a second. The caller stops the server with wine_stop (also on failure).

export WINEPREFIX="${HBK_ROOT:?}/build/windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts

wine_start() {
    mkdir -p "$WINEPREFIX"
    wineserver -p
    # Creates or updates the prefix once, before tests run in parallel.
    wineboot -u >/dev/null 2>&1 || true
}

wine_stop() {
    wineserver -k 2>/dev/null || true
}
