"""The probe command through the real executable, against a fake Spine (the
test suite's child program copied as Spine.com) that prints, exits or
sleeps as told."""

import os
import resource
import signal
import unittest

from harness import (BINARY, ToolTestCase, child_text, fake_spine_env, lines, printed_path,
                     process_gone, read_pid, run_command, run_tool, start_tool, tool_path,
                     WINDOWS)

AVAILABLE = "message: Spine CLI probe succeeded."
UNRECOGNIZED = "message: Process started, but its output was not recognized as Spine."
TIMED_OUT = "message: Spine was detected, but the version probe timed out."
FAILURE_CODE = "message: Spine was detected, but the process returned a failure code."
NO_EXECUTABLE = lines("The supplied path does not contain a Spine executable.")
INVALID_TIMEOUT = lines("Invalid timeout.")


class ProbeStatusTest(ToolTestCase):
    def test_every_status_from_a_real_child(self):
        cases = [
            ("launcher and starting line",
             ["out=Spine Launcher 4.2.1\\r\\n", "out=Starting: Spine 4.2.35 Professional\\r\\n",
              "exit=0"], [],
             ["status: available", "launcher: 4.2.1", "editor: 4.2.35",
              "edition: Professional", AVAILABLE], 0),
            ("edition is kept untrimmed", ["out=Spine 4.2.35 Basic  ", "exit=0"], [],
             ["status: available", "editor: 4.2.35", "edition: Basic  ", AVAILABLE], 0),
            ("version on standard error", ["err=Spine Launcher 4.1.9\\n", "exit=0"], [],
             ["status: available", "launcher: 4.1.9", AVAILABLE], 0),
            ("time limit with a unit suffix", ["out=Launching:Spine 4.0.1", "exit=0"], ["1500ms"],
             ["status: available", "editor: 4.0.1", AVAILABLE], 0),
            ("timed out after the version", ["out=Spine 4.2.35\\n", "sleep=60000"], ["500"],
             ["status: observed-but-timed-out", "editor: 4.2.35", TIMED_OUT], 1),
            ("failure code", ["out=Spine 4.2.35\\n", "exit=1"], [],
             ["status: launch-failed", "editor: 4.2.35", FAILURE_CODE], 1),
            ("unrecognised output", ["out=Hello from something else\\n", "exit=0"], [],
             ["status: unrecognized-output", UNRECOGNIZED], 1),
            ("timed out without a version", ["out=loading\\n", "sleep=60000"], ["300"],
             ["status: unrecognized-output", UNRECOGNIZED], 1),
        ]
        spine = self.fake_spine()
        for name, operations, extra, expected, code in cases:
            with self.subTest(name):
                result = run_tool("probe", tool_path(spine.parent), *extra,
                                  env=fake_spine_env(*operations))
                self.assertRun(result, stdout=lines(b"path: " + printed_path(spine),
                                                           *expected), code=code)

    def test_output_of_the_kinds_spine_prints(self):
        # Launcher banners, update checks, editor lines and errors, each line
        # ended as the platform's Spine ends it.
        eol = "\r\n" if WINDOWS else "\n"
        cases = [
            ("update check before the editor line",
             ["Spine Launcher 3.8.81",
              "Esoteric Software LLC (C) 2013-2020 | http://esotericsoftware.com",
              "Windows 10 Enterprise x86 10.0", "Up to date: Spine 3.8.82",
              "Spine 3.8.82 Professional",
              "NVIDIA Corporation, GeForce RTX 2060 SUPER/PCIe/SSE2, 4.6.0 NVIDIA 442.19"], 0,
             ["status: available", "launcher: 3.8.81", "editor: 3.8.82",
              "edition: Professional", AVAILABLE], 0),
            ("a version on an error line is no editor",
             ["ERROR: Unable to start: Spine 3.8.99", "ERROR: An unexpected error has occurred:",
              "java.lang.RuntimeException: Unable to start", "\tat spine.Main.main(Main.java:41)"],
             0, ["status: unrecognized-output", UNRECOGNIZED], 1),
            ("pre-release editor",
             ["Spine Launcher 3.6.32", "Mac OS X x86_64 10.12.6", "Java 1.7.0_51 Esoteric Software",
              "64-bit Server VM", "Spine 3.7.15-beta Professional", "Loading 3.7.15-beta..."], 0,
             ["status: available", "launcher: 3.6.32", "editor: 3.7.15",
              "edition: Professional", AVAILABLE], 0),
            ("legacy launcher with launching and starting lines",
             ["Spine Launcher 3.5.12", "Launching: Spine 3.5.51 Essential",
              "Starting: Spine 3.5.51 Essential"], 0,
             ["status: available", "launcher: 3.5.12", "editor: 3.5.51", "edition: Essential",
              AVAILABLE], 0),
            ("launcher banner without an editor line",
             ["Spine Launcher 4.2.18", "Esoteric Software LLC (C) 2013-2024", "Up to date."], 0,
             ["status: available", "launcher: 4.2.18", AVAILABLE], 0),
            ("editor version ending its line",
             ["Spine 4.2.35", "Professional"], 0,
             ["status: available", "editor: 4.2.35", AVAILABLE], 0),
            ("error output without a version",
             ["ERROR: Unable to start Spine.", "java.lang.OutOfMemoryError: Java heap space"], 1,
             ["status: unrecognized-output", UNRECOGNIZED], 1),
        ]
        spine = self.fake_spine()
        for name, printed, exit_code, expected, code in cases:
            with self.subTest(name):
                output = "".join(line + eol for line in printed)
                result = run_tool("probe", tool_path(spine.parent),
                                  env=fake_spine_env("out=" + child_text(output),
                                                     "exit=%d" % exit_code))
                self.assertRun(result, stdout=lines(b"path: " + printed_path(spine), *expected),
                               code=code)

    def test_launch_failure(self):
        # An empty file is no program on either platform.
        spine = self.write("Spine/Spine.com", "")
        message = ("CreateProcessW failed: 193" if WINDOWS  # ERROR_BAD_EXE_FORMAT
                   else "posix_spawn failed: 13")         # EACCES: not executable
        self.assertRun(run_tool("probe", tool_path(spine)),
                       stdout=lines(b"path: " + printed_path(spine),
                                           "status: launch-failed", "message: " + message),
                       code=1)

    def test_long_line_without_break(self):
        spine = self.fake_spine()
        result = run_tool("probe", tool_path(spine),
                          env=fake_spine_env("out=Spine 4.2.35 ", "flood=2000000", "exit=0"))
        self.assertEqual(result.code, 0)
        report = result.stdout.split(b"\r\n" if WINDOWS else b"\n")
        self.assertEqual(report[1], b"status: available")
        self.assertEqual(report[2], b"editor: 4.2.35")
        # The output is kept to its first MiB; the edition is the rest of it.
        self.assertEqual(len(report[3]), len(b"edition: ") + (1 << 20) - len(b"Spine 4.2.35 "))


class ProbeResolutionTest(ToolTestCase):
    def test_paths_that_resolve(self):
        com = self.fake_spine("a/Spine.com")
        self.fake_spine("a/Spine.exe")
        only_exe = self.fake_spine("b/Spine.exe")
        app = self.fake_spine("c/Spine.app/Spine.com")
        env = fake_spine_env("out=Spine 4.2.35", "exit=0")
        cases = [
            ("folder", tool_path(com.parent), com),
            ("folder ending in a separator", tool_path(com.parent) + ("\\" if WINDOWS else "/"),
             com),
            (".exe with a .com sibling", tool_path(self.tmp / "a/Spine.exe"), com),
            (".exe alone", tool_path(only_exe), only_exe),
            (".app folder", tool_path(app.parent), app),
        ]
        for name, argument, resolved in cases:
            with self.subTest(name):
                self.assertRun(run_tool("probe", argument, env=env),
                               stdout=lines(b"path: " + printed_path(resolved),
                                                   "status: available", "editor: 4.2.35",
                                                   AVAILABLE))

    @unittest.skipUnless(not WINDOWS, "the Linux table")
    def test_linux_launcher_scripts(self):
        # Spine on Linux is an unpacked folder started by its script.
        script = "#!/bin/sh\n[ \"$1\" = --version ] || exit 3\necho 'Spine Launcher 4.2.18'\n"
        cases = [("Spine.sh", ["Spine.sh", "SpineTrial.sh"]),
                 ("SpineTrial.sh", ["SpineTrial.sh", "Spine.com"])]
        for resolved, files in cases:
            with self.subTest(resolved):
                folder = self.tmp / resolved / "Spine"
                for name in files:
                    self.write(folder / name, script).chmod(0o755)
                self.assertRun(run_tool("probe", folder),
                               stdout=lines(b"path: " + printed_path(folder / resolved),
                                            "status: available", "launcher: 4.2.18", AVAILABLE))

    def test_relative_path_is_printed_absolute(self):
        spine = self.fake_spine("tools/Spine/Spine.com")
        self.assertRun(run_tool("probe", "Spine", cwd=self.tmp / "tools",
                                env=fake_spine_env("out=Spine 4.2.35", "exit=0")),
                       stdout=lines(b"path: " + printed_path(spine), "status: available",
                                           "editor: 4.2.35", AVAILABLE))

    def test_non_ascii_folder(self):
        spine = self.fake_spine("caf\u00e9 \u20ac/Spine.com")
        self.assertRun(run_tool("probe", tool_path(spine.parent),
                                env=fake_spine_env("out=Spine 4.2.35", "exit=0")),
                       stdout=lines(b"path: " + printed_path(spine), "status: available",
                                           "editor: 4.2.35", AVAILABLE))

    @unittest.skipUnless(WINDOWS, "POSIX paths are bytes and always print")
    def test_path_the_code_page_cannot_print(self):
        # A relative path made absolute picks up the current folder's name,
        # which code page 1252 cannot represent: one sentence, exit 1, and
        # no partial report.
        spine = self.fake_spine("\u0436/Spine.com")
        self.assertRun(run_tool("probe", "Spine.com", cwd=spine.parent,
                                env=fake_spine_env("out=Spine 4.2.35", "exit=0")),
                       stderr=lines("A path cannot be converted between text and the "
                                    "file-system code page."),
                       code=1)

    def test_paths_without_an_executable(self):
        self.fake_spine("exe-only/Spine.exe")
        (self.tmp / "empty").mkdir()
        (self.tmp / "nested/Spine.com").mkdir(parents=True)
        for argument in ["exe-only", "empty", "nested", "missing", "missing/Spine.exe"]:
            with self.subTest(argument):
                self.assertRun(run_tool("probe", tool_path(self.tmp / argument)),
                               stderr=NO_EXECUTABLE, code=1)

    def test_missing_executable_wins_over_an_invalid_timeout(self):
        self.assertRun(run_tool("probe", tool_path(self.tmp / "missing"), "abc"),
                       stderr=NO_EXECUTABLE, code=1)


class ProbeTimeoutArgumentTest(ToolTestCase):
    def test_invalid_timeouts_start_nothing(self):
        spine = self.fake_spine()
        marker = self.tmp / "started"
        env = fake_spine_env("pid=" + tool_path(marker), "out=Spine 4.2.35", "exit=0")
        for timeout in ["abc", "", "-", "+", " ", "99999999999999999999", "-99999999999999999999"]:
            with self.subTest(timeout=timeout):
                self.assertRun(run_tool("probe", tool_path(spine), timeout, env=env),
                               stderr=INVALID_TIMEOUT, code=2)
                self.assertFalse(marker.exists())

    def test_arguments_after_the_timeout_are_ignored(self):
        spine = self.fake_spine()
        self.assertRun(run_tool("probe", tool_path(spine), "  5000", "extra", "more",
                                env=fake_spine_env("out=Spine 4.2.35", "exit=0")),
                       stdout=lines(b"path: " + printed_path(spine), "status: available",
                                           "editor: 4.2.35", AVAILABLE))


INTERRUPTIONS = [signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT]


def dispositions(ignored=(), defaults=()):
    """A preexec_fn that leaves the tool with these signals ignored and
    these at their default, whatever the test runner itself inherited, and
    makes no core file (SIGQUIT)."""
    def prepare():
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        for number in defaults:
            signal.signal(number, signal.SIG_DFL)
        for number in ignored:
            signal.signal(number, signal.SIG_IGN)
    return prepare


@unittest.skipIf(WINDOWS, "POSIX signals and shell; process_tests covers the Windows child")
class ProbeChildTest(ToolTestCase):
    """What the native tool's child gets from it and leaves behind."""

    def pids(self, *files):
        """The ids the fake Spine wrote; whatever still runs when the test
        ends is killed, so that a failure leaves nothing behind."""
        found = [read_pid(f) for f in files]
        self.assertNotIn(None, found)
        for pid in found:
            self.addCleanup(lambda p=pid: process_gone(p, 0) or os.kill(p, signal.SIGKILL))
        return found

    def test_interruption_kills_the_child_and_ends_the_tool_by_it(self):
        spine = self.fake_spine()
        for number in INTERRUPTIONS:
            with self.subTest(signal=number.name):
                child = self.tmp / (number.name + "-child.pid")
                grandchild = self.tmp / (number.name + "-grandchild.pid")
                daemon = self.tmp / (number.name + "-daemon.pid")
                env = fake_spine_env("pid=" + str(child), "grandchild=60000," + str(grandchild),
                                     "daemon=60000," + str(daemon), "out=Spine 4.2.35\\n",
                                     "sleep=60000")
                tool = start_tool("probe", spine.parent, "60000", env=env,
                                  preexec_fn=dispositions(defaults=INTERRUPTIONS))
                pids = self.pids(child, grandchild, daemon)
                tool.send_signal(number)
                stdout, _ = tool.communicate(timeout=60)
                self.assertEqual(tool.returncode, -number)
                self.assertEqual(stdout, b"")
                for pid in pids:
                    self.assertTrue(process_gone(pid), pid)

    def test_an_ignored_interruption_stays_ignored(self):
        spine = self.fake_spine()
        started, go_on = self.tmp / "started", self.tmp / "go-on"
        env = fake_spine_env("pid=" + str(started), "wait-file=" + str(go_on),
                             "out=Spine 4.2.35", "exit=0")
        tool = start_tool("probe", spine.parent, "60000", env=env,
                          preexec_fn=dispositions(ignored=[signal.SIGHUP]))
        self.pids(started)
        tool.send_signal(signal.SIGHUP)
        go_on.write_text("\n")
        stdout, _ = tool.communicate(timeout=60)
        self.assertEqual(tool.returncode, 0)
        self.assertEqual(stdout, lines(b"path: " + printed_path(spine), "status: available",
                                       "editor: 4.2.35", AVAILABLE))

    def test_daemon_the_child_starts_is_gone_after_the_probe(self):
        # It leaves the child's process group with setsid; holding the
        # channel, it keeps the probe going until the limit.
        spine = self.fake_spine()
        for operation in ["daemon", "detached-daemon"]:
            with self.subTest(operation):
                daemon = self.tmp / (operation + ".pid")
                env = fake_spine_env("out=Spine 4.2.35\\n", operation + "=60000," + str(daemon),
                                     "exit=0")
                result = run_tool("probe", spine.parent, "1500", env=env)
                pid, = self.pids(daemon)
                self.assertRun(result, stdout=lines(b"path: " + printed_path(spine),
                                                    "status: available", "editor: 4.2.35",
                                                    AVAILABLE))
                self.assertTrue(process_gone(pid))

    def test_caller_that_ignores_sigchld(self):
        # The ignored disposition survives exec, as this shows.
        ignore = dispositions(ignored=[signal.SIGCHLD])
        status = run_command(["grep", "^SigIgn:", "/proc/self/status"], preexec_fn=ignore)
        self.assertTrue(int(status.stdout.split()[1], 16) & (1 << (signal.SIGCHLD - 1)))

        spine = self.fake_spine()
        result = run_tool("probe", spine.parent, "5000", preexec_fn=ignore,
                          env=fake_spine_env("out=Spine 4.2.35", "exit=0"))
        self.assertRun(result, stdout=lines(b"path: " + printed_path(spine), "status: available",
                                            "editor: 4.2.35", AVAILABLE))

    def test_child_reading_input_leaves_the_callers_list_alone(self):
        folders = [self.fake_spine(name + "/Spine.com").parent for name in ("a", "b", "c")]
        script = 'printf "%s\\n" "$@" | while read d; do "$0" probe "$d"; done'
        result = run_command(["sh", "-c", script, str(BINARY)] + [str(f) for f in folders],
                             env=fake_spine_env("cat", "out=Spine 4.2.35", "exit=0"))
        expected = b"".join(lines(b"path: " + printed_path(f / "Spine.com"), "status: available",
                                  "editor: 4.2.35", AVAILABLE) for f in folders)
        self.assertRun(result, stdout=expected)


if __name__ == "__main__":
    unittest.main()
