"""The detect command through the real executable. Natively the Linux table,
driven by HOME. Under Wine the Windows table: Wine sets the program folder
variables anew for every process started from Linux, so a batch file sets
them, copied from variables of other names so that any text reaches them
whole (ProgramW6432 is what Wine turns into ProgramFiles); and with files
placed in the prefix's own program folders."""

import os
import shutil
import unittest
from pathlib import Path

from harness import (BINARY, EMULATOR, ToolTestCase, lines, printed_path, run_command,
                     run_tool, tool_path, WINDOWS)

UNPRINTABLE = lines("A path cannot be converted between text and the file-system code page.")


def run_detect(program_files, program_files_x86, *extra, cwd=None):
    """Windows: detect with the two variables set to these folders (None: not
    set)."""
    script = ["@echo off"]
    env = {}
    for name, source, value in (("ProgramW6432", "HBK_PF", program_files),
                                ("ProgramFiles", "HBK_PF", program_files),
                                ("ProgramFiles(x86)", "HBK_PF86", program_files_x86)):
        if value is None:
            script.append("set %s=" % name)
        else:
            env[source] = value
            script.append('set "%s=%%%s%%"' % (name, source))
    script.append(" ".join('"%s"' % a for a in [tool_path(BINARY), "detect", *extra]))
    batch = Path(os.environ.get("TMPDIR", "/tmp")) / ("hbk-detect-%d.bat" % os.getpid())
    batch.write_bytes(("\r\n".join(script) + "\r\n").encode("ascii"))
    try:
        return run_command([EMULATOR, "cmd", "/c", tool_path(batch)], env=env, cwd=cwd)
    finally:
        batch.unlink()


@unittest.skipUnless(not WINDOWS, "the Linux table")
class LinuxDetectTest(ToolTestCase):
    def test_launchers_below_home(self):
        cases = [
            ("Spine.sh", ["Spine/Spine.sh"], ["Spine/Spine.sh"]),
            ("the trial's script", ["Spine/SpineTrial.sh"], ["Spine/SpineTrial.sh"]),
            ("both, in order", ["Spine/SpineTrial.sh", "Spine/Spine.sh"],
             ["Spine/Spine.sh", "Spine/SpineTrial.sh"]),
            ("nothing installed", ["Spine/Spine", "Spine/Spine.com", "Spine.sh"], []),
        ]
        for name, files, found in cases:
            with self.subTest(name):
                home = self.tmp / name
                for file in files:
                    self.write(Path(name) / file, "")
                self.assertRun(run_tool("detect", env={"HOME": str(home)}),
                               stdout=lines(*[printed_path(home / f) for f in found]),
                               code=0 if found else 1)

    def test_home_that_names_no_folder(self):
        # Unset, empty or relative: the entries below HOME are skipped, also
        # when the current folder holds a Spine.
        self.write("Spine/Spine.sh", "")
        self.write("home/Spine/Spine.sh", "")
        for home in [None, "", "home", "."]:
            with self.subTest(home=home):
                self.assertRun(run_tool("detect", env={"HOME": home}, cwd=self.tmp), code=1)

    def test_further_arguments_are_ignored(self):
        spine = self.write("Spine/Spine.sh", "")
        self.assertRun(run_tool("detect", "extra", "--all", env={"HOME": str(self.tmp) + "/"}),
                       stdout=lines(printed_path(spine)))

    def test_folder_with_a_line_break_is_not_printed(self):
        home = self.tmp / "x\nstatus: available\nmessage: ok"
        self.write(home / "Spine/Spine.sh", "")
        self.assertRun(run_tool("detect", env={"HOME": str(home)}), stderr=UNPRINTABLE, code=1)


@unittest.skipUnless(WINDOWS, "the Windows table")
class WindowsDetectTest(ToolTestCase):
    def test_program_folders(self):
        pf = self.write("pf/Spine/Spine.com", "")
        pf86 = self.write("pf86/Spine/Spine.com", "")
        (self.tmp / "dir/Spine/Spine.com").mkdir(parents=True)
        folder = lambda name: tool_path(self.tmp / name)
        cases = [
            ("neither set", None, None, []),
            ("both, in order", folder("pf"), folder("pf86"), [pf, pf86]),
            ("both, other order", folder("pf86"), folder("pf"), [pf86, pf]),
            ("same folder twice", folder("pf"), folder("pf"), [pf]),
            ("same folder, other spelling", folder("pf"), folder("pf") + "\\", [pf]),
            ("only the x86 folder", None, folder("pf86"), [pf86]),
            ("folder without Spine", folder("dir"), None, []),
            ("missing folder", folder("missing"), folder("pf86"), [pf86]),
        ]
        for name, program_files, program_files_x86, found in cases:
            with self.subTest(name):
                self.assertRun(run_detect(program_files, program_files_x86),
                               stdout=lines(*[printed_path(p) for p in found]),
                               code=0 if found else 1)

    def test_further_arguments_are_ignored(self):
        pf = self.write("pf/Spine/Spine.com", "")
        self.assertRun(run_detect(tool_path(self.tmp / "pf"), None, "extra", "--all"),
                       stdout=lines(printed_path(pf)))

    def test_only_an_absolute_folder_is_searched(self):
        # A checkout can plant Spine/Spine.com where the tool runs; a
        # relative value must not make that an installation.
        self.write("Spine/Spine.com", "")
        self.write("tools/Spine/Spine.com", "")
        for name, program_files, program_files_x86 in [("relative", "tools", None),
                                                       ("dot", ".", "tools"),
                                                       ("drive-relative", "C:tools", None),
                                                       ("root-relative", "\\tools", None)]:
            with self.subTest(name):
                self.assertRun(run_detect(program_files, program_files_x86, cwd=self.tmp), code=1)

    def test_folder_outside_the_ansi_code_page_is_found(self):
        # The narrow environment would have lost the name and found nothing;
        # read wide, the install is found, and only printing it fails.
        self.write("\u0436\u0443\u043a/Spine/Spine.com", "")
        self.assertRun(run_detect(tool_path(self.tmp / "\u0436\u0443\u043a"), None),
                       stderr=UNPRINTABLE, code=1)


@unittest.skipUnless(WINDOWS, "Wine's own program folders")
class DetectInWinePrefixTest(ToolTestCase):
    def test_spine_in_the_prefix_program_folders(self):
        drive_c = Path(os.environ["WINEPREFIX"]) / "drive_c"
        placed = []
        for folder in ["Program Files", "Program Files (x86)"]:
            spine = drive_c / folder / "Spine" / "Spine.com"
            self.assertFalse(spine.exists())
            spine.parent.mkdir(parents=True)
            spine.write_bytes(b"")
            placed.append(spine.parent)
            self.addCleanup(shutil.rmtree, spine.parent, True)
        self.assertRun(run_tool("detect"),
                       stdout=lines("C:\\Program Files\\Spine\\Spine.com",
                                           "C:\\Program Files (x86)\\Spine\\Spine.com"))
        shutil.rmtree(placed[1])
        self.assertRun(run_tool("detect"),
                       stdout=lines("C:\\Program Files\\Spine\\Spine.com"))
        shutil.rmtree(placed[0])
        self.assertRun(run_tool("detect"), code=1)


if __name__ == "__main__":
    unittest.main()
