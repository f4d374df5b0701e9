"""Paths that are easy to get wrong, through the real executable: network
and device-prefixed paths under Wine (a share is a folder that Wine's
dosdevices/unc maps), arguments outside the ANSI code page, and names that
hold control characters."""

import os
import shutil
import unittest
import uuid
from pathlib import Path

from harness import (ToolTestCase, fake_spine_env, lines, printed_path, run_tool, tool_path,
                     WINDOWS)
from test_detect import run_detect

AVAILABLE = "message: Spine CLI probe succeeded."
UNPRINTABLE = lines("A path cannot be converted between text and the file-system code page.")
SPINE = fake_spine_env("pid=started.txt", "out=Spine 4.2.35\\n", "exit=0")


def remove_if_empty(folder):
    try:
        folder.rmdir()
    except OSError:
        pass


@unittest.skipUnless(WINDOWS, "Windows path prefixes")
class NetworkAndDevicePathTest(ToolTestCase):
    def setUp(self):
        super().setUp()
        # \\buildserver\<share> is this test's folder "share".
        self.share = "tools-" + uuid.uuid4().hex[:8]
        self.unc = "\\\\buildserver\\" + self.share
        server = Path(os.environ["WINEPREFIX"]) / "dosdevices" / "unc" / "buildserver"
        server.mkdir(parents=True, exist_ok=True)
        (server / self.share).symlink_to(self.tmp / "share")
        self.addCleanup(remove_if_empty, server)
        self.addCleanup((server / self.share).unlink)
        self.spine = self.fake_spine("share/Spine/Spine.com")
        # The same path on drive C:, where a path that lost its "\\" start lands.
        self.drive_c = Path(os.environ["WINEPREFIX"]) / "drive_c"
        self.impostor = self.drive_c / "buildserver" / self.share / "Spine" / "Spine.com"
        self.impostor.parent.mkdir(parents=True)
        shutil.copyfile(self.spine, self.impostor)
        self.addCleanup(remove_if_empty, self.drive_c / "buildserver")
        self.addCleanup(shutil.rmtree, self.drive_c / "buildserver" / self.share, True)
        self.started = self.tmp / "started-from.txt"

    def probe(self, argument):
        """Probes from C:\, with the started program's path written down."""
        result = run_tool("probe", argument, cwd=self.drive_c,
                          env=fake_spine_env("self=" + tool_path(self.started), "out=Spine 4.2.35\n",
                                             "exit=0"))
        # Wine cannot enter a network folder as a working directory, says so
        # and starts the child in its Windows folder; Windows itself can.
        result.stderr = b"".join(line for line in result.stderr.splitlines(True)
                                 if not line.startswith(b"wine: could not open working directory"))
        return result

    def assertStartedFromTheShare(self):
        # Wine names the share's copy "UNC\buildserver\..." or by its drive
        # Z: folder; the impostor would be "C:\buildserver\...".
        started = self.started.read_text(encoding="utf-8").strip()
        self.assertFalse(started.upper().startswith("C:"), started)
        self.started.unlink()

    def test_network_folder_runs_the_network_copy(self):
        self.assertRun(self.probe(self.unc + "\\Spine"),
                       stdout=lines("path: " + self.unc + "\\Spine\\Spine.com", "status: available",
                                    "editor: 4.2.35", AVAILABLE))
        self.assertStartedFromTheShare()

    def test_prefixed_forms_keep_their_prefix(self):
        local = tool_path(self.spine)
        cases = [
            ("network path, dots folded", self.unc + "\\Spine\\..\\Spine\\Spine.com",
             self.unc + "\\Spine\\Spine.com"),
            ("long-path prefix", "\\\\?\\" + local, "\\\\?\\" + local),
            ("device prefix", "\\\\.\\" + local, "\\\\.\\" + local),
            ("long-path network prefix", "\\\\?\\UNC\\buildserver\\%s\\Spine" % self.share,
             "\\\\?\\UNC\\buildserver\\%s\\Spine\\Spine.com" % self.share),
        ]
        for name, argument, printed in cases:
            with self.subTest(name):
                self.assertRun(self.probe(argument),
                               stdout=lines("path: " + printed, "status: available", "editor: 4.2.35",
                                            AVAILABLE))
                self.assertStartedFromTheShare()

    def test_detect_lists_a_network_program_folder(self):
        self.assertRun(run_detect(None, self.unc, cwd=self.drive_c),
                       stdout=lines(self.unc + "\\Spine\\Spine.com"))


@unittest.skipUnless(WINDOWS, "cmd.exe runs batch files")
class BatchFileTest(ToolTestCase):
    def test_a_batch_file_is_never_started(self):
        # cmd.exe would split this path at "&" and expand %PATH%.
        folder = self.tmp / "a&b %PATH% ^x"
        for name in ["run.bat", "run.CMD", "run.bat."]:
            with self.subTest(name):
                batch = self.write(folder / name.rstrip("."),
                                   "@echo Spine 4.2.35 > \"%~dp0started.txt\"\r\n")
                self.assertRun(run_tool("probe", tool_path(folder) + "\\" + name),
                               stdout=lines(b"path: " + printed_path(batch), "status: launch-failed",
                                            "message: A batch file is not started: cmd.exe would "
                                            "reinterpret its command line."),
                               code=1)
                self.assertEqual(list(folder.glob("started.txt")), [])
                self.assertEqual(list(self.tmp.glob("**/started.txt")), [])


@unittest.skipUnless(WINDOWS, "UTF-16 arguments")
class ArgumentOutsideTheAnsiCodePageTest(ToolTestCase):
    FOLDER = "\u0436\u0443\u043a"  # not in code page 1252

    def test_data_file_below_it_is_read(self):
        path = self.write(self.FOLDER + "/skeleton.json", '{"bones":[],"spine":"4.2.11"}')
        self.assertRun(run_tool("inspect-data", tool_path(path)),
                       stdout=lines("format: json", "status: detected", "version: 4.2.11",
                                    "message: Spine data version detected."))

    def test_spine_below_it_runs_but_cannot_be_printed(self):
        spine = self.fake_spine(self.FOLDER + "/Spine/Spine.com")
        self.assertRun(run_tool("probe", tool_path(spine.parent), env=SPINE),
                       stderr=UNPRINTABLE, code=1)
        self.assertTrue((spine.parent / "started.txt").exists())


@unittest.skipUnless(not WINDOWS, "POSIX file names may hold control characters")
class ControlCharacterPathTest(ToolTestCase):
    def test_a_printed_path_never_adds_report_lines(self):
        for folder in ["x\nstatus: available\nmessage: ok", "tab\there", "esc\x1b[31m"]:
            with self.subTest(folder=folder):
                spine = self.fake_spine(folder + "/Spine/Spine.com")
                self.assertRun(run_tool("probe", spine.parent, env=SPINE), stderr=UNPRINTABLE,
                               code=1)


if __name__ == "__main__":
    unittest.main()
