# Sourced by the project's scripts: a Wine prefix of the build's own and a
# persistent wineserver for it, so that each Wine process starts in well
# under a second instead of about three. The caller stops the server with
# wine_stop, also on failure (trap wine_stop EXIT).

export WINEPREFIX="${HBK_ROOT:?}/build/windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts

hbk_wine_started=0

wine_start() {
    mkdir -p "$WINEPREFIX"
    # Fails when a server for this prefix runs already; then use that one
    # and leave it alone at the end.
    if wineserver -p 2>/dev/null; then
        hbk_wine_started=1
    fi
    # Creates or updates the prefix once, before tests run in parallel.
    wineboot -u >/dev/null 2>&1 || true
}

wine_stop() {
    if [[ $hbk_wine_started == 1 ]]; then
        wineserver -k 2>/dev/null || true
        hbk_wine_started=0
    fi
}
