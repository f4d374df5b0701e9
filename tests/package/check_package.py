"""Builds the release ZIP with cpack, checks what it holds, and runs the
packaged tool (under the emulator for the Windows build) on the shipped
JSON example."""

import os
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

build_dir = Path(os.environ["HBK_BUILD_DIR"])
source_dir = Path(os.environ["HBK_SOURCE_DIR"])
emulator = os.environ.get("HBK_EMULATOR", "")
tool_name = os.environ["HBK_TOOL_NAME"]

subprocess.run(["cpack", "--config", str(build_dir / "CPackConfig.cmake")], cwd=build_dir,
               check=True, stdout=subprocess.DEVNULL)
packages = sorted((build_dir / "package").glob("halbrook-cli-*.zip"))
if len(packages) != 1:
    sys.exit("expected one package, found %s" % packages)
package = packages[0]

with zipfile.ZipFile(package) as archive:
    names = sorted(Path(n).name for n in archive.namelist() if not n.endswith("/"))
    if names != sorted(["LICENSE", "README.md", tool_name]):
        sys.exit("unexpected package contents: %s" % names)
    with tempfile.TemporaryDirectory() as unpacked:
        archive.extractall(unpacked)
        tool = next(Path(unpacked).rglob(tool_name))
        tool.chmod(0o755)
        example = source_dir / "examples" / "skeleton.json"
        argument = ("Z:" + str(example).replace("/", "\\")) if emulator else str(example)
        command = ([emulator] if emulator else []) + [str(tool), "inspect-data", argument]
        result = subprocess.run(command, capture_output=True, check=False)

newline = b"\r\n" if emulator else b"\n"
expected = newline.join([b"format: json", b"status: detected", b"version: 4.2.11",
                         b"message: Spine data version detected.", b""])
if result.returncode != 0 or result.stdout != expected or result.stderr:
    sys.exit("packaged tool printed %r / %r, exit %d" % (result.stdout, result.stderr,
                                                         result.returncode))
print("%s: %s, runs" % (package.name, ", ".join(names)))
