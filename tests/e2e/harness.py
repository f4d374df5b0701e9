"""Runs the real halbrook-cli executable, natively or under Wine, and
compares its exact output bytes and exit code."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

BINARY = Path(os.environ["HBK_BINARY"])
# The test suite's child program; copied as Spine.com it plays Spine.
TEST_CHILD = Path(os.environ["HBK_TEST_CHILD"])
# The emulator (wine) for the Windows build; empty for the native one.
EMULATOR = os.environ.get("HBK_EMULATOR", "")
WINDOWS = bool(EMULATOR)


def lines(*items):
    """Expected output from lines given as text or bytes: each ends in CR LF
    on Windows, where the streams are in text mode, and in LF elsewhere."""
    newline = b"\r\n" if WINDOWS else b"\n"
    return b"".join((i if isinstance(i, bytes) else i.encode("latin-1")) + newline for i in items)


def tool_path(path):
    """A host path as the tool sees it: under Wine the Unix root is drive Z."""
    text = str(path)
    if WINDOWS and text.startswith("/"):
        return "Z:" + text.replace("/", "\\")
    return text


def printed_path(path):
    """The bytes the tool prints for the canonical form of an existing path:
    the ANSI code page 1252 under Wine, the file name's own bytes natively."""
    text = tool_path(os.path.realpath(path))
    return text.encode("cp1252") if WINDOWS else os.fsencode(text)


class Result:
    def __init__(self, completed):
        self.stdout = completed.stdout
        self.stderr = completed.stderr
        self.code = completed.returncode


def command_env(env):
    full_env = dict(os.environ)
    # UTF-8 on the Unix side lets Wine hand non-ASCII arguments and file
    # names through to Windows unchanged.
    full_env["LC_ALL"] = "C.UTF-8"
    for name, value in (env or {}).items():
        if value is None:
            full_env.pop(name, None)
        else:
            full_env[name] = value
    return full_env


def run_command(command, env=None, cwd=None, timeout=60, stdin=subprocess.DEVNULL,
                preexec_fn=None):
    """Runs a command to its end. stdin may be bytes to feed through a pipe;
    preexec_fn runs in the new process just before the exec (to set the
    signal dispositions the command inherits)."""
    input_bytes = stdin if isinstance(stdin, bytes) else None
    completed = subprocess.run(command, capture_output=True, env=command_env(env), cwd=cwd,
                               timeout=timeout, check=False, input=input_bytes,
                               stdin=None if input_bytes is not None else stdin,
                               preexec_fn=preexec_fn)
    return Result(completed)


def tool_command(*args):
    return ([EMULATOR] if EMULATOR else []) + [str(BINARY)] + [str(a) for a in args]


def run_tool(*args, env=None, cwd=None, timeout=60, stdin=subprocess.DEVNULL, preexec_fn=None):
    """Runs the tool; env values of None remove a variable."""
    return run_command(tool_command(*args), env=env, cwd=cwd, timeout=timeout, stdin=stdin,
                       preexec_fn=preexec_fn)


def child_text(text):
    """Text escaped for an out= or err= operation of the test child."""
    return (text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")
            .replace("\t", "\\t"))


def start_tool(*args, env=None, preexec_fn=None):
    """Starts the tool without waiting for it; its outputs are pipes."""
    return subprocess.Popen(tool_command(*args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=command_env(env), preexec_fn=preexec_fn)


def read_pid(path, patience=30):
    """The process id a test child wrote to a file, once its line is whole;
    None if it does not come within `patience` seconds."""
    until = time.monotonic() + patience
    while time.monotonic() < until:
        if path.exists():
            text = path.read_text()
            if text.endswith("\n"):
                return int(text)
        time.sleep(0.01)
    return None


def process_gone(pid, patience=10):
    """Whether a native process has ended, waiting up to `patience` seconds
    for it; a zombie has ended, whoever reaps it."""
    until = time.monotonic() + patience
    while True:
        try:
            with open("/proc/%d/stat" % pid) as stat:
                if stat.read().rpartition(")")[2].split()[0] == "Z":
                    return True
        except FileNotFoundError:
            return True
        if time.monotonic() >= until:
            return False
        time.sleep(0.01)


def fake_spine_env(*operations):
    """The environment that makes the test child, started with --version,
    carry out these operations (see tests/process/child/TestChild.cpp)."""
    return {"HBK_FAKE_SPINE": "\n".join(operations)}


class ToolTestCase(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="hbk-e2e-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def write(self, name, data):
        path = self.tmp / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data.encode("latin-1") if isinstance(data, str) else data)
        return path

    def fake_spine(self, relative="Spine/Spine.com"):
        """Places a copy of the test child where a Spine executable would be."""
        path = self.tmp / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(TEST_CHILD, path)
        path.chmod(0o755)
        return path

    def assertRun(self, result, stdout=b"", stderr=b"", code=0):
        self.assertEqual(result.stdout, stdout)
        self.assertEqual(result.stderr, stderr)
        self.assertEqual(result.code, code)
