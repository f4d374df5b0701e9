"""Runs the real halbrook-cli executable, natively or under Wine, and
compares its exact output bytes and exit code."""

import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

BINARY = Path(os.environ["HBK_BINARY"])
# The emulator (wine) for the Windows build; empty for the native one.
EMULATOR = os.environ.get("HBK_EMULATOR", "")
WINDOWS = bool(EMULATOR)


def lines(*text):
    """Expected standard output: each line ends in CR LF on Windows, where
    the stream is in text mode, and in LF elsewhere."""
    newline = "\r\n" if WINDOWS else "\n"
    return "".join(line + newline for line in text).encode("latin-1")


def tool_path(path):
    """A host path as the tool sees it: under Wine the Unix root is drive Z."""
    text = str(path)
    if WINDOWS and text.startswith("/"):
        return "Z:" + text.replace("/", "\\")
    return text


class Result:
    def __init__(self, completed):
        self.stdout = completed.stdout
        self.stderr = completed.stderr
        self.code = completed.returncode


def run_tool(*args, env=None, cwd=None, timeout=60):
    command = ([EMULATOR] if EMULATOR else []) + [str(BINARY)] + [str(a) for a in args]
    full_env = dict(os.environ)
    # UTF-8 on the Unix side lets Wine hand non-ASCII arguments and file
    # names through to Windows unchanged.
    full_env["LC_ALL"] = "C.UTF-8"
    if env:
        full_env.update(env)
    completed = subprocess.run(command, capture_output=True, env=full_env, cwd=cwd,
                               timeout=timeout, check=False)
    return Result(completed)


class ToolTestCase(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="hbk-e2e-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def write(self, name, data):
        path = self.tmp / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data.encode("latin-1") if isinstance(data, str) else data)
        return path

    def assertRun(self, result, stdout=b"", stderr=b"", code=0):
        self.assertEqual(result.stdout, stdout)
        self.assertEqual(result.stderr, stderr)
        self.assertEqual(result.code, code)
