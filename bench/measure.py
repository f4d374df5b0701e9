"""Runs commands repeatedly and reports wall time and peak memory.

Peak memory comes from GNU time: a child of this Python process would be
charged Python's own pages until it execs, so the command is started by
the small /usr/bin/time, whose report covers the command alone."""

import os
import statistics
import subprocess
import tempfile
import time


class Figures:
    def __init__(self, label, times_ms, peak_kib, exit_code):
        self.label = label
        self.median_ms = statistics.median(times_ms)
        self.min_ms = min(times_ms)
        self.peak_kib = peak_kib
        self.exit_code = exit_code


def run_once(command, env=None):
    """Wall time in ms, peak resident memory in KiB, exit code."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        start = time.perf_counter()
        completed = subprocess.run(["/usr/bin/time", "-q", "-f", "%M %x", "-o", report.name,
                                    *command], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, env=env, check=False)
        elapsed = (time.perf_counter() - start) * 1000.0
        fields = report.read().split()
    peak = int(fields[0]) if fields else 0
    code = int(fields[1]) if len(fields) > 1 else completed.returncode
    return elapsed, peak, code


def measure(label, command, runs, env=None, warmups=2):
    for _ in range(warmups):
        run_once(command, env)
    times, peak, code = [], 0, None
    for _ in range(runs):
        elapsed, rss, code = run_once(command, env)
        times.append(elapsed)
        peak = max(peak, rss)
    return Figures(label, times, peak, code)


def print_group(title, figures):
    """The first entry is the reference the ratios are taken against."""
    print(title)
    base = figures[0]
    print("  %-34s %10s %10s %10s %6s %8s %8s" %
          ("command", "median ms", "min ms", "peak MiB", "exit", "x time", "x mem"))
    for f in figures:
        print("  %-34s %10.2f %10.2f %10.1f %6s %8.1f %8.1f" %
              (f.label, f.median_ms, f.min_ms, f.peak_kib / 1024.0, f.exit_code,
               f.median_ms / base.median_ms, f.peak_kib / max(base.peak_kib, 1)))
    print()
