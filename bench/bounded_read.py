"""What inspect-data reads of a 2 GiB sparse file, seen by strace: every
read on the file's descriptor, summed, and the process's peak memory.

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


def sparse(path, head):
    with open(path, "wb") as out:
        out.write(head)
        out.truncate(SIZE)


def traced_reads(tool, path, log):
    subprocess.run(["strace", "-qq", "-e", "trace=openat,read,pread64", "-o", str(log), tool,
                    "inspect-data", str(path)], stdout=subprocess.DEVNULL, check=False)
    fd, calls, total = None, 0, 0
    for line in log.read_text().splitlines():
        opened = re.match(r'openat\(.*"%s".*\)\s+=\s+(\d+)' % re.escape(str(path)), line)
        if opened:
            fd = opened.group(1)
            continue
        read = re.match(r"p?read(?:64)?\((\d+),.*\)\s+=\s+(\d+)$", line)
        if read and read.group(1) == fd:
            calls += 1
            total += int(read.group(2))
    return calls, total


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
        cases = [
            ("JSON head, then zeros", b'{"bones":[],"spine":"4.2.11"', "1 + 1,048,576"),
            ("all zeros (binary)", b"", "1 + 8,202 + 256"),
            ("two longest header strings", longest + longest, "1 + 8,202 + 256"),
        ]
        print("inspect-data on 2 GiB sparse files (%d bytes each)" % SIZE)
        print("  %-30s %8s %12s %18s %10s" % ("file", "reads", "bytes read", "allowed", "peak MiB"))
        for name, head, allowed in cases:
            path = work / "sparse.bin"
            sparse(path, head)
            calls, total = traced_reads(args.tool, path, work / "strace.log")
            _, peak_kib, _ = run_once([args.tool, "inspect-data", str(path)])
            print("  %-30s %8d %12s %18s %10.1f" % (name, calls, format(total, ","), allowed,
                                                    peak_kib / 1024.0))
        print()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
