"""Builds the release package with cpack (a ZIP for the Windows build, a
gzipped tarball for the native one), checks exactly what it holds, and runs
the packaged tool (under the emulator for the Windows build) on the shipped
JSON example."""

import os
import re
import struct
import subprocess
import sys
import tarfile
import tempfile
import zipfile
from pathlib import Path

build_dir = Path(os.environ["HBK_BUILD_DIR"])
source_dir = Path(os.environ["HBK_SOURCE_DIR"])
emulator = os.environ.get("HBK_EMULATOR", "")
tool_name = os.environ["HBK_TOOL_NAME"]
generator = os.environ["HBK_PACKAGE_GENERATOR"]
top = os.environ["HBK_PACKAGE_FILE_NAME"]
package = build_dir / "package" / (top + {"ZIP": ".zip", "TGZ": ".tar.gz"}[generator])

# Each file of the package: the mode it must have in the tarball (a ZIP
# keeps none that matters) and the bytes it must hold, None for the tool,
# which is checked on its own.
expected_files = {
    tool_name: (0o755, None),
    "README.md": (0o644, (source_dir / "README.md").read_bytes()),
    "LICENSE": (0o644, (source_dir / "LICENSE").read_bytes()),
}


def strippable_leftovers(image):
    """What strip removes and is still in the executable: the symbol table
    and the debug sections, of a 64-bit little-endian ELF or PE image."""
    if image[:4] == b"\x7fELF":
        (section_offset,) = struct.unpack_from("<Q", image, 0x28)
        entry_size, count, names_index = struct.unpack_from("<HHH", image, 0x3A)
        # name, type, flags, address, offset, size
        headers = [struct.unpack_from("<IIQQQQ", image, section_offset + i * entry_size)
                   for i in range(count)]
        names_offset = headers[names_index][4]

        def name(header):
            start = names_offset + header[0]
            return image[start:image.index(b"\0", start)].decode()

        symbol_table = 2
        return [name(h) for h in headers if h[1] == symbol_table or name(h).startswith(".debug")]
    if image[:2] == b"MZ":
        (pe,) = struct.unpack_from("<I", image, 0x3C)
        if image[pe:pe + 4] != b"PE\0\0":
            sys.exit("%s is no PE image" % tool_name)
        count, _, _, symbols, optional_size = struct.unpack_from("<HIIIH", image, pe + 6)
        sections = pe + 24 + optional_size
        names = [image[sections + 40 * i:sections + 40 * i + 8].rstrip(b"\0").decode()
                 for i in range(count)]
        # A name of more than eight characters (every .debug_ one) is "/"
        # and an offset into the string table that follows the symbols.
        return (["%d symbols" % symbols] if symbols else []) + [
            n for n in names if n.startswith(("/", ".debug"))]
    sys.exit("%s is neither an ELF nor a PE image" % tool_name)


def read_package():
    """The package's folders, and its files with their mode and bytes."""
    if generator == "ZIP":
        with zipfile.ZipFile(package) as archive:
            entries = archive.infolist()
            return ([e.filename.rstrip("/") for e in entries if e.is_dir()],
                    {e.filename: (None, archive.read(e)) for e in entries if not e.is_dir()})
    with tarfile.open(package, "r:gz") as archive:
        entries = archive.getmembers()
        others = [e.name for e in entries if not e.isdir() and not e.isfile()]
        if others:
            sys.exit("package holds links or devices: %s" % others)
        return ([e.name for e in entries if e.isdir()],
                {e.name: (e.mode, archive.extractfile(e).read()) for e in entries if e.isfile()})


def unpack(into):
    if generator == "ZIP":
        with zipfile.ZipFile(package) as archive:
            archive.extractall(into)
        # zipfile restores no Unix mode; Wine needs none, a Linux shell would.
        (into / top / tool_name).chmod(0o755)
    else:
        # The tool must run as unpacked, on the mode the tarball gave it.
        with tarfile.open(package, "r:gz") as archive:
            safe = {"filter": "data"} if hasattr(tarfile, "data_filter") else {}
            archive.extractall(into, **safe)


package.unlink(missing_ok=True)
made = subprocess.run(["cpack", "--config", str(build_dir / "CPackConfig.cmake")], cwd=build_dir,
                      check=True, capture_output=True, text=True).stdout
generated = re.findall(r"package: (.*) generated\.", made)
if generated != [str(package)]:
    sys.exit("cpack made %s, expected %s" % (generated, package))

folders, files = read_package()
if set(folders) - {top} or sorted(files) != sorted(top + "/" + n for n in expected_files):
    sys.exit("unexpected package contents: %s, %s" % (folders, sorted(files)))
for name, (mode, content) in expected_files.items():
    packed_mode, packed = files[top + "/" + name]
    if generator == "TGZ" and packed_mode != mode:
        sys.exit("%s has mode %o in the package, expected %o" % (name, packed_mode, mode))
    if content is not None and packed != content:
        sys.exit("%s in the package differs from the source tree's" % name)
leftovers = strippable_leftovers(files[top + "/" + tool_name][1])
if leftovers:
    sys.exit("packaged %s is not stripped: %s" % (tool_name, leftovers))

with tempfile.TemporaryDirectory() as unpacked:
    unpack(Path(unpacked))
    tool = Path(unpacked) / top / tool_name
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
print("%s: %s, runs" % (package.name, ", ".join(sorted(expected_files))))
