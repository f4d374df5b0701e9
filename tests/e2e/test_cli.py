"""Command dispatch, usage text, exit codes and the inspect-data reports,
through the real executable."""

import os
import subprocess
import threading
import unittest

from harness import (BINARY, ToolTestCase, lines, run_command, run_tool, tool_command, tool_path,
                     WINDOWS)

USAGE = lines(
    "Halbrook technical prototype",
    "Usage:",
    "  halbrook-cli detect",
    "  halbrook-cli probe <Spine.app|executable> [timeout-ms]",
    "  halbrook-cli inspect-data <skeleton.json|skeleton.skel>",
)

# The project version, from CMake.
VERSION = os.environ["HBK_VERSION"]

JSON_OK = '{"skeleton":{"hash":"x","spine":"4.2.11"},"bones":[{"name":"root"}]}'


def skel_header(version):
    return "\x1c" + "h" * 27 + chr(len(version) + 1) + version + "\x00\x01"


def data_report(fmt, status, message, version=None):
    text = ["format: " + fmt, "status: " + status]
    if version is not None:
        text.append("version: " + version)
    text.append("message: " + message)
    return lines(*text)


DETECTED = "Spine data version detected."
OUTSIDE = "Spine data version is outside the supported range."
SCHEMA = "JSON does not contain the minimum Spine skeleton schema."
SKEL_INVALID = "SKEL header does not contain a valid Spine version."


class UsageTest(ToolTestCase):
    def test_usage_errors(self):
        cases = [
            [],
            ["DETECT"],
            ["Detect"],
            ["detect "],
            ["inspect"],
            ["help"],
            ["--Help"],
            ["-H"],
            ["-v"],
            ["--versions"],
            ["--version=1"],
            [""],
            ["probe"],
            ["inspect-data"],
            ["INSPECT-DATA", "x.json"],
        ]
        for args in cases:
            with self.subTest(args=args):
                self.assertRun(run_tool(*args), stdout=USAGE, code=2)


    def test_version_and_help(self):
        cases = [
            (["--version"], lines("halbrook-cli " + VERSION)),
            (["--version", "extra"], lines("halbrook-cli " + VERSION)),
            (["--help"], USAGE),
            (["-h"], USAGE),
            (["-h", "detect"], USAGE),
        ]
        for args, stdout in cases:
            with self.subTest(args=args):
                self.assertRun(run_tool(*args), stdout=stdout, code=0)


class InspectDataTest(ToolTestCase):
    def test_reports(self):
        cases = [
            ("json", "a.json", JSON_OK, data_report("json", "detected", DETECTED, "4.2.11"), 0),
            ("json, old version", "a.json", '{"bones":[],"spine":"3.7.94"}',
             data_report("json", "unsupported-version", OUTSIDE, "3.7.94"), 1),
            ("json, no bones", "a.json", '{"spine":"4.2.1"}',
             data_report("json", "invalid-data", SCHEMA), 1),
            ("json, version does not parse", "a.json", '{"bones":[],"spine":"3.8-beta"}',
             data_report("json", "invalid-data", "Spine JSON version is invalid."), 1),
            ("binary", "a.skel", skel_header("3.8.99"),
             data_report("skel", "detected", DETECTED, "3.8.99"), 0),
            ("binary, newer version", "a.skel", skel_header("4.4.1"),
             data_report("skel", "unsupported-version", OUTSIDE, "4.4.1"), 1),
            ("binary, no version", "a.skel", "\x00" + "z" * 300,
             data_report("skel", "invalid-data", SKEL_INVALID), 1),
            ("empty file", "empty.json", "", data_report("skel", "invalid-data", SKEL_INVALID), 1),
            ("binary named .json", "b.json", skel_header("4.1.0"),
             data_report("skel", "detected", DETECTED, "4.1.0"), 0),
            ("json named .skel", "j.skel", "\r\n\t " + JSON_OK,
             data_report("json", "detected", DETECTED, "4.2.11"), 0),
            ("json with a byte-order mark", "bom.json", "\xef\xbb\xbf" + JSON_OK,
             data_report("json", "detected", DETECTED, "4.2.11"), 0),
            ("more than a mebibyte of blanks", "blank.json", " " * (1 << 20) + JSON_OK,
             data_report("json", "invalid-data", SCHEMA), 1),
        ]
        for name, file_name, content, report, code in cases:
            with self.subTest(name):
                path = self.write(file_name, content)
                self.assertRun(run_tool("inspect-data", tool_path(path)), stdout=report, code=code)

    @unittest.skipUnless(not WINDOWS, "POSIX pipes and devices")
    def test_pipes_are_read(self):
        # The binary reader goes back to the first byte for its window scan,
        # which a pipe allows only because what was read is kept.
        for name, content, report in [
            ("json", JSON_OK, data_report("json", "detected", DETECTED, "4.2.11")),
            ("binary, window scan", "\x00" + "z" * 40 + "4.1.07",
             data_report("skel", "detected", DETECTED, "4.1.7")),
        ]:
            with self.subTest(name):
                data = content.encode("latin-1")
                self.assertRun(run_tool("inspect-data", "/dev/stdin", stdin=data), stdout=report,
                               code=0)
                path = self.write("piped", data)
                self.assertRun(run_command(["bash", "-c", '"$0" inspect-data <(cat "$1")',
                                            str(BINARY), str(path)]), stdout=report, code=0)

    @unittest.skipUnless(not WINDOWS, "POSIX FIFOs")
    def test_fifo_is_read_once_a_writer_comes(self):
        fifo = self.tmp / "fifo"
        os.mkfifo(fifo)
        writer = threading.Thread(target=lambda: fifo.write_bytes(JSON_OK.encode()))
        writer.start()
        self.assertRun(run_tool("inspect-data", fifo),
                       stdout=data_report("json", "detected", DETECTED, "4.2.11"))
        writer.join()

    def test_devices_are_not_read(self):
        # A device may never end (/dev/zero) or is no skeleton at all.
        not_opened = data_report("unknown", "file-missing", "Skeleton data file could not be opened.")
        for device in ["NUL"] if WINDOWS else ["/dev/null", "/dev/zero"]:
            with self.subTest(device):
                self.assertRun(run_tool("inspect-data", device), stdout=not_opened, code=1)

    @unittest.skipUnless(os.path.exists("/dev/full"), "needs /dev/full")
    def test_a_report_that_cannot_be_written_fails(self):
        path = self.write("a.json", JSON_OK)
        with open("/dev/full", "wb") as full:
            completed = subprocess.run(tool_command("inspect-data", tool_path(path)), stdout=full,
                                       stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                       timeout=60, check=False)
        self.assertEqual(completed.stderr, lines("The report could not be written."))
        self.assertEqual(completed.returncode, 1)

    @unittest.skipUnless(WINDOWS, "natively a closed pipe ends the tool by SIGPIPE")
    def test_a_report_into_a_closed_pipe_fails(self):
        path = self.write("a.json", JSON_OK)
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            completed = subprocess.run(tool_command("inspect-data", tool_path(path)),
                                       stdout=write_end, stderr=subprocess.PIPE,
                                       stdin=subprocess.DEVNULL, timeout=60, check=False)
        finally:
            os.close(write_end)
        self.assertEqual(completed.stderr, lines("The report could not be written."))
        self.assertEqual(completed.returncode, 1)

    def test_missing_file(self):
        self.assertRun(run_tool("inspect-data", tool_path(self.tmp / "missing.json")),
                       stdout=data_report("unknown", "file-missing",
                                          "Skeleton data file could not be opened."),
                       code=1)

    def test_folder_cannot_be_opened(self):
        self.assertRun(run_tool("inspect-data", tool_path(self.tmp)),
                       stdout=data_report("unknown", "file-missing",
                                          "Skeleton data file could not be opened."),
                       code=1)

    def test_relative_path_and_extra_arguments(self):
        self.write("rel.json", JSON_OK)
        self.assertRun(run_tool("inspect-data", "rel.json", "ignored", "also ignored", cwd=self.tmp),
                       stdout=data_report("json", "detected", DETECTED, "4.2.11"))

    def test_non_ascii_file_name(self):
        # Under Wine "café €" reaches the program in the ANSI code page 1252
        # (0xE9, 0x80) and must become U+00E9, U+20AC again to open the file;
        # read as Latin-1, 0x80 would be U+0080. Natively the UTF-8 bytes stay.
        path = self.write("caf\u00e9 \u20ac.json", JSON_OK)
        self.assertRun(run_tool("inspect-data", tool_path(path)),
                       stdout=data_report("json", "detected", DETECTED, "4.2.11"))

    def test_mebibyte_of_adversarial_json(self):
        cases = [
            '{"bones":[],"spine": "4.2.1-' + "x" * (1 << 20),
            '{"bones"' + " " * (1 << 20),
            '{"bones":[],"spine":' + "\t" * (1 << 20),
            '{"bones":[],"spine":"' + "7" * (1 << 20),
            '{"bones":[],"spine":"4.2.' + "1" * (1 << 20),
            '{"bones":[],' + '"spine":"4.2.1-' * 70000,
        ]
        for index, content in enumerate(cases):
            with self.subTest(index=index):
                path = self.write("adversarial.json", content)
                self.assertRun(run_tool("inspect-data", tool_path(path)),
                               stdout=data_report("json", "invalid-data", SCHEMA), code=1)


if __name__ == "__main__":
    unittest.main()
