"""What inspect-data reads, seen by strace: every read on the descriptor of
the file it opened, summed, and the process's peak memory. The files are
2 GiB sparse files (zeros after a head), a 300 MiB run of blanks before a
skeleton, and the same heads fed through a pipe as /dev/stdin.

  bounded_read.py --tool build/native/halbrook-cli
"""

import argparse
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

from measure import run_once

SIZE = 2 << 30
BLANKS = 300 << 20


def sparse(path, head):
    with open(path, "wb") as out:
        out.write(head)
        out.truncate(SIZE)


def blank_run(path, tail):
    block = b" " * (1 << 20)
    with open(path, "wb") as out:
        for _ in range(BLANKS >> 20):
            out.write(block)
        out.write(tail)


def traced_reads(tool, path, log, piped):
    """Calls and bytes read from the descriptor the tool opened for `path`,
    or for /dev/stdin with `path` piped into it."""
    opened_name = "/dev/stdin" if piped else str(path)
    command = ["strace", "-qq", "-e", "trace=openat,read,pread64", "-o", str(log), tool,
               "inspect-data", opened_name]
    if piped:
        with open(path, "rb") as source:
            feeder = subprocess.Popen(["cat"], stdin=source, stdout=subprocess.PIPE)
            subprocess.run(command, stdin=feeder.stdout, stdout=subprocess.DEVNULL, check=False)
            feeder.stdout.close()
            feeder.kill()
            feeder.wait()
    else:
        subprocess.run(command, stdout=subprocess.DEVNULL, check=False)
    fd, calls, total = None, 0, 0
    for line in log.read_text().splitlines():
        opened = re.match(r'openat\(.*"%s".*\)\s+=\s+(\d+)' % re.escape(opened_name), line)
        if opened:
            fd = opened.group(1)
            continue
        read = re.match(r"p?read(?:64)?\((\d+),.*\)\s+=\s+(\d+)$", line)
        if read and read.group(1) == fd:
            calls += 1
            total += int(read.group(2))
    return calls, total


def peak_memory(tool, path, piped):
    if not piped:
        return run_once([tool, "inspect-data", str(path)])[1]
    return run_once(["sh", "-c", 'exec "$0" inspect-data /dev/stdin < "$1"', tool, str(path)])[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    args = parser.parse_args()
    if shutil.which("strace") is None:
        print("bounded read: strace is not installed")
        return
    work = Path(tempfile.mkdtemp(prefix="hbk-sparse-"))
    try:
        longest = b"\x81\xa0\x80\x80\x00" + b"h" * 4096
        json_head = b'{"bones":[],"spine":"4.2.11"'
        cases = [
            ("JSON head, then zeros", sparse, json_head, False, "1,048,576"),
            ("all zeros (binary)", sparse, b"", False, "8,202"),
            ("two longest header strings", sparse, longest + longest, False, "8,202"),
            ("300 MiB blanks, then JSON", blank_run, json_head + b"}", False, "1,048,576"),
            ("piped: JSON head, zeros", sparse, json_head, True, "1,048,576"),
            ("piped: longest strings", sparse, longest + longest, True, "8,202"),
        ]
        print("inspect-data: bytes read of large files (sparse ones hold %d bytes)" % SIZE)
        print("  %-30s %8s %12s %12s %10s" % ("file", "reads", "bytes read", "at most",
                                             "peak MiB"))
        for name, make, head, piped, allowed in cases:
            path = work / "input.bin"
            make(path, head)
            calls, total = traced_reads(args.tool, path, work / "strace.log", piped)
            peak_kib = peak_memory(args.tool, path, piped)
            print("  %-30s %8d %12s %12s %10.1f" % (name, calls, format(total, ","), allowed,
                                                    peak_kib / 1024.0))
            path.unlink()
        print()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
