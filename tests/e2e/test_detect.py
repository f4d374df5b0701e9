"""The detect command through the real executable. Natively the two program
folder variables are set by the test; under Wine, which sets them anew for
every process started from Linux, through a batch file that copies them from
variables of other names (ProgramW6432 is what Wine turns into
ProgramFiles), so that any text reaches them whole; and with files placed
in the prefix's own program folders."""

import os
import shutil
import unittest
from pathlib import Path

from harness import (BINARY, EMULATOR, ToolTestCase, lines, printed_path, run_command,
                     run_tool, tool_path, WINDOWS)

UNPRINTABLE = lines("A path cannot be converted between text and the file-system code page.")


def run_detect(program_files, program_files_x86, *extra, cwd=None):
    """detect with the two variables set to these folders (None: not set)."""
    if not WINDOWS:
        return run_tool("detect", *extra, cwd=cwd,
                        env={"ProgramFiles": program_files, "ProgramFiles(x86)": program_files_x86})
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


class DetectTest(ToolTestCase):
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
            ("same folder, other spelling", folder("pf"), folder("pf") + ("\\" if WINDOWS else "/"),
             [pf]),
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
        # A checkout can plant Spine/Spine.com where the tool runs; an empty
        # or relative value must not make that an installation.
        self.write("Spine/Spine.com", "")
        self.write("tools/Spine/Spine.com", "")
        cases = [("relative", "tools", None), ("dot", ".", "tools"),
                 ("drive-relative" if WINDOWS else "dot slash", "C:tools" if WINDOWS else "./", None)]
        if not WINDOWS:  # the Windows environment cannot hold an empty variable
            cases.append(("empty", "", ""))
        for name, program_files, program_files_x86 in cases:
            with self.subTest(name):
                self.assertRun(run_detect(program_files, program_files_x86, cwd=self.tmp), code=1)

    @unittest.skipUnless(WINDOWS, "a wide environment")
    def test_folder_outside_the_ansi_code_page_is_found(self):
        # The narrow environment would have lost the name and found nothing;
        # read wide, the install is found, and only printing it fails.
        self.write("\u0436\u0443\u043a/Spine/Spine.com", "")
        self.assertRun(run_detect(tool_path(self.tmp / "\u0436\u0443\u043a"), None),
                       stderr=UNPRINTABLE, code=1)

    @unittest.skipUnless(not WINDOWS, "POSIX file names may hold line breaks")
    def test_folder_with_a_line_break_is_not_printed(self):
        folder = "x\nstatus: available\nmessage: ok"
        self.write(folder + "/Spine/Spine.com", "")
        self.assertRun(run_detect(str(self.tmp / folder), None), stderr=UNPRINTABLE, code=1)


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
