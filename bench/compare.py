"""Whole-process time and peak memory of halbrook-cli beside the tools a
user would otherwise run on the same input, in the same run.

  compare.py --tool build/native/halbrook-cli --fake-spine <test child>
             [--windows-tool build/windows/halbrook-cli.exe --windows-fake-spine <test child.exe>
              --wine wine] [--runs N]
"""

import argparse
import json
import os
import random
import shutil
import sys
import tempfile
from pathlib import Path

from measure import measure, print_group


def typical_skeleton(path):
    """A skeleton of the usual shape and size (about 400 KB): bones, slots,
    skins and keyed animations, made up here."""
    rng = random.Random(7)
    bones = [{"name": "root"}] + [
        {"name": "bone%d" % i, "parent": "root" if i < 4 else "bone%d" % rng.randrange(i),
         "length": round(rng.uniform(5, 90), 2), "rotation": round(rng.uniform(-180, 180), 2),
         "x": round(rng.uniform(-50, 50), 2), "y": round(rng.uniform(-50, 50), 2)}
        for i in range(1, 60)]
    slots = [{"name": "slot%d" % i, "bone": "bone%d" % (i % 59 + 1), "attachment": "image%d" % i}
             for i in range(60)]
    skins = [{"name": "default", "attachments": {
        "slot%d" % i: {"image%d" % i: {"x": round(rng.uniform(-20, 20), 2),
                                       "y": round(rng.uniform(-20, 20), 2),
                                       "width": rng.randrange(10, 200),
                                       "height": rng.randrange(10, 200)}}
        for i in range(60)}}]
    animations = {}
    for a in range(3):
        timelines = {}
        for b in range(1, 60):
            timelines["bone%d" % b] = {
                "rotate": [{"time": round(t / 30, 4), "value": round(rng.uniform(-90, 90), 2)}
                           for t in range(0, 60, 2)],
                "translate": [{"time": round(t / 30, 4), "x": round(rng.uniform(-9, 9), 2),
                               "y": round(rng.uniform(-9, 9), 2)} for t in range(0, 60, 6)]}
        animations["anim%d" % a] = {"bones": timelines}
    skeleton = {"skeleton": {"hash": "hbkBenchHash", "spine": "4.2.11", "x": -120.5, "y": -8,
                             "width": 241, "height": 312, "images": "./images/", "audio": ""},
                "bones": bones, "slots": slots, "skins": skins, "animations": animations}
    path.write_text(json.dumps(skeleton, indent=1))


def worst_case_json(path):
    """1 MiB that makes the version pattern work hardest: an unclosed
    suffix after the spine key, so every byte is tried and backtracked."""
    head = '{"bones":[],"skeleton":{"spine":"4.2.1-'
    path.write_text(head + "x" * ((1 << 20) - len(head)))


def binary_skeleton(path):
    """A binary skeleton of 1 MiB: the two header strings, then data."""
    rng = random.Random(11)
    body = bytes(rng.randrange(256) for _ in range((1 << 20) - 40))
    path.write_bytes(b"\x0d" + b"hbkBenchHash" + b"\x07" + b"4.2.11" + body)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--fake-spine", required=True)
    parser.add_argument("--windows-tool")
    parser.add_argument("--windows-fake-spine")
    parser.add_argument("--wine")
    parser.add_argument("--runs", type=int, default=20)
    args = parser.parse_args()

    work = Path(tempfile.mkdtemp(prefix="hbk-bench-"))
    try:
        typical, worst, binary = work / "typical.json", work / "worst.json", work / "typical.skel"
        typical_skeleton(typical)
        worst_case_json(worst)
        binary_skeleton(binary)
        spine = work / "Spine" / "Spine.com"
        windows_spine = work / "SpineWin" / "Spine.com"
        for fake, place in ((args.fake_spine, spine), (args.windows_fake_spine, windows_spine)):
            if fake:
                place.parent.mkdir()
                shutil.copyfile(fake, place)
                place.chmod(0o755)

        def windows_form(argument):
            """The argument as the Windows build sees it under Wine."""
            text = str(windows_spine if argument == spine else argument)
            return "Z:" + text.replace("/", "\\") if text.startswith("/") else text

        def tool_rows(*tool_args, env=None):
            rows = [measure("halbrook-cli", [args.tool, *tool_args], args.runs, env)]
            if args.windows_tool:
                rows.append(measure("halbrook-cli.exe under wine",
                                    [args.wine, args.windows_tool,
                                     *[windows_form(a) for a in tool_args]], args.runs, env))
            return rows

        read_spine = ("import json,sys; print(json.load(open(sys.argv[1],'rb'))"
                      "['skeleton']['spine'])")
        print("inputs: typical.json %d bytes, worst.json %d bytes, typical.skel %d bytes; "
              "%d runs each\n" % (typical.stat().st_size, worst.stat().st_size,
                                  binary.stat().st_size, args.runs))
        for title, path in (("inspect-data on a typical skeleton JSON", typical),
                            ("inspect-data on a 1 MiB worst-case JSON (not valid JSON: "
                             "jq and python fail)", worst)):
            print_group(title, tool_rows("inspect-data", path) + [
                measure("jq -r .skeleton.spine", ["jq", "-r", ".skeleton.spine", str(path)],
                        args.runs),
                measure("python3 json.load", [sys.executable, "-c", read_spine, str(path)],
                        args.runs)])
        print_group("inspect-data on a 1 MiB binary skeleton", tool_rows("inspect-data", binary) + [
            measure("grep -aoE -m1 <version>",
                    ["grep", "-aoE", "-m1", r"[34]\.[0-9]+\.[0-9]+", str(binary)], args.runs)])

        env = dict(os.environ, HBK_FAKE_SPINE="out=Spine 4.2.35\\n\nexit=0")
        print_group("probe on a fake Spine that prints its version and exits at once",
                    tool_rows("probe", spine, env=env) + [
                        measure("timeout 10 <fake> --version",
                                ["timeout", "10", str(spine), "--version"], args.runs, env)])
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
