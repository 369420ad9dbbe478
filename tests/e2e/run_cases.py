#!/usr/bin/env python3
"""Runs the built tool end to end: the case folders under cases/, then the
cases below that need links, devices, pipes or odd file names made at run time.

Every run must exit with status 0 and leave standard error empty; its standard
output and every file in its working directory are compared byte for byte.
"""
import argparse
import json
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
from pathlib import Path

from harness import (GREY_ECHO, GREY_PALETTE, GREYS, HEADER_REJECTED, NO_INPUT, NOT_WRITTEN,
                     RUN_TIME_CASES, SAME_FILE, SUCCESS, TIME_LIMIT, Tool, case, check_files, check_run,
                     expect, files_in, grey_array)

HERE = Path(__file__).resolve().parent
CASES = HERE / "cases"


def folder_case(tool, folder: Path, scratch: Path):
    case = json.loads((folder / "case.json").read_text(encoding="utf-8"))
    rename = case.get("rename", {})
    expected = {}
    for part in ("in", "out"):
        root = folder / part
        if root.is_dir():
            for path in sorted(root.rglob("*")):
                if path.is_file():
                    name = str(path.relative_to(root))
                    expected[rename.get(name, name)] = path.read_bytes()
                    if part == "in":
                        target = scratch / rename.get(name, name)
                        target.parent.mkdir(parents=True, exist_ok=True)
                        target.write_bytes(path.read_bytes())
    result = tool.run(case["args"], scratch)
    return check_run(result, (folder / "stdout").read_bytes()) + check_files(scratch, expected)


@case()
def no_argument(tool, scratch):
    return expect(tool, scratch, [], NO_INPUT, {}) + expect(tool, scratch, [""], NO_INPUT, {})


@case()
def two_empty_arguments_make_dot_yuv(tool, scratch):
    return expect(tool, scratch, ["", ""], HEADER_REJECTED, {".yuv": b""})


@case()
def option_like_argument_is_a_path(tool, scratch):
    return expect(tool, scratch, ["-h"], HEADER_REJECTED, {".yuv": b""})


@case()
def blanks_in_a_path_quoted_or_not(tool, scratch):
    (scratch / "my sky.pal").write_bytes(GREY_PALETTE)
    files = {"my sky.pal": GREY_PALETTE, "my sky.yuv": grey_array(b"my sky")}
    problems = expect(tool, scratch, ["my", "sky.pal"], GREY_ECHO + SUCCESS, files)
    # Quotes that reach the program are taken off the joined tail.
    problems += expect(tool, scratch, ['"my', 'sky.pal"'], GREY_ECHO + SUCCESS, files)
    # Two blanks in a row are looked up as two blanks.
    files["my  sky.yuv"] = b""
    problems += expect(tool, scratch, ["my", "", "sky.pal"], HEADER_REJECTED, files)
    return problems


@case(only="posix")
def path_table_with_backslashes_in_names(tool, scratch):
    # On POSIX a backslash is an ordinary byte of a file name, so each path of
    # the table names one file in the scratch directory.
    rows = [
        ("C:\\pals\\sky.pal", b"sky", "C:\\pals\\sky.yuv"),
        ("C:\\my.dir\\sky.night.pal", b"sky", "C:\\my.dir\\sky.night.yuv"),
        (".\\sky.pal", b"sky", ".\\sky.yuv"),
        ("C:\\pals\\sky", b"sky", "C:\\pals.yuv"),
        ("abc", b"abc", ".yuv"),
        ("pals/sky.pal", b"pals/sky", "pals/sky.yuv"),
        ("pals.old/sky.pal", b"pals", "pals.old/sky.yuv"),
        ("./sky.pal", b"", "./sky.yuv"),
    ]
    problems = []
    for palette, base_name, array in rows:
        with tempfile.TemporaryDirectory(dir=scratch) as row_directory:
            row = Path(row_directory)
            (row / palette).parent.mkdir(parents=True, exist_ok=True)
            (row / palette).write_bytes(GREY_PALETTE)
            files = {os.path.normpath(palette): GREY_PALETTE, os.path.normpath(array): grey_array(base_name)}
            problems += [f"{palette}: {p}" for p in expect(tool, row, [palette], GREY_ECHO + SUCCESS, files)]
    return problems


@case()
def palette_path_ending_in_yuv_is_not_emptied(tool, scratch):
    (scratch / "sky.yuv").write_bytes(GREY_PALETTE)
    return expect(tool, scratch, ["sky.yuv"], SAME_FILE, {"sky.yuv": GREY_PALETTE})


@case(only="posix")
def array_path_linked_to_the_palette(tool, scratch):
    (scratch / "hard.pal").write_bytes(GREY_PALETTE)
    os.link(scratch / "hard.pal", scratch / "hard.yuv")
    (scratch / "soft.pal").write_bytes(GREY_PALETTE)
    os.symlink("soft.pal", scratch / "soft.yuv")
    files = files_in(scratch)
    return (expect(tool, scratch, ["hard.pal"], SAME_FILE, files) +
            expect(tool, scratch, ["soft.pal"], SAME_FILE, files))


@case()
def directory_as_palette(tool, scratch):
    (scratch / "dir.pal").mkdir()
    (scratch / "dir.pal" / "x").write_bytes(b"JASC-PAL\r\n")
    return expect(tool, scratch, ["dir.pal"], HEADER_REJECTED, {"dir.pal/x": b"JASC-PAL\r\n", "dir.yuv": b""})


@case(only="posix")
def endless_device_reads_as_empty(tool, scratch):
    os.symlink("/dev/zero", scratch / "zero.pal")
    return expect(tool, scratch, ["zero.pal"], HEADER_REJECTED,
                  {"zero.pal": ("link", "/dev/zero"), "zero.yuv": b""})


@case(only="posix")
def fifo_as_palette_does_not_wait(tool, scratch):
    os.mkfifo(scratch / "fifo.pal")
    return expect(tool, scratch, ["fifo.pal"], HEADER_REJECTED,
                  {"fifo.pal": ("special", stat.S_IFIFO), "fifo.yuv": b""})


@case()
def array_path_that_is_a_directory(tool, scratch):
    (scratch / "sky.pal").write_bytes(GREY_PALETTE)
    (scratch / "sky.yuv").mkdir()
    (scratch / "sky.yuv" / "keep").write_bytes(b"kept")
    return expect(tool, scratch, ["sky.pal"], GREY_ECHO + NOT_WRITTEN,
                  {"sky.pal": GREY_PALETTE, "sky.yuv/keep": b"kept"})


@case(only="posix")
def full_disk_is_not_success(tool, scratch):
    if not os.path.exists("/dev/full"):
        return None
    (scratch / "sky.pal").write_bytes(GREY_PALETTE)
    os.symlink("/dev/full", scratch / "sky.yuv")
    return expect(tool, scratch, ["sky.pal"], GREY_ECHO + NOT_WRITTEN,
                  {"sky.pal": GREY_PALETTE, "sky.yuv": ("link", "/dev/full")})


@case()
def closed_standard_output(tool, scratch):
    (scratch / "sky.pal").write_bytes(GREY_PALETTE)
    # The array file must not take the place of the closed descriptor.
    return expect(tool, scratch, ["sky.pal"], None,
                  {"sky.pal": GREY_PALETTE, "sky.yuv": grey_array(b"sky")},
                  stdout=None, preexec_fn=lambda: os.close(1))


@case()
def reader_gone_before_the_first_line(tool, scratch):
    (scratch / "sky.pal").write_bytes(GREY_PALETTE)
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        # Python ignores SIGPIPE itself; give the tool the default action so
        # that only its own handling can keep it alive.
        return expect(tool, scratch, ["sky.pal"], None,
                      {"sky.pal": GREY_PALETTE, "sky.yuv": grey_array(b"sky")},
                      stdout=write_end, preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_DFL))
    finally:
        os.close(write_end)


@case(only="posix")
def comma_locale_changes_nothing(tool, scratch):
    palette = b"JASC-PAL\r\n0100\r\n15.5\r\n" + b"".join(b"%d.4 %d %d\r\n" % (x, x, x) for x in GREYS)
    (scratch / "sky.pal").write_bytes(palette)
    env = dict(os.environ, LC_ALL="de_DE.UTF-8", LANG="de_DE.UTF-8")
    return expect(tool, scratch, ["sky.pal"], GREY_ECHO + SUCCESS,
                  {"sky.pal": palette, "sky.yuv": grey_array(b"sky")}, env=env)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tool", required=True, help="the built tonemill or tonemill.exe")
    parser.add_argument("--launcher", default="", help="a command that runs the tool, its words joined by commas")
    parser.add_argument("--only", help="run just the case of this name")
    options = parser.parse_args()
    tool = Tool(options.tool, [word for word in options.launcher.split(",") if word])
    platform = "windows" if tool.windows else "posix"

    cases = []
    for folder in sorted(CASES.iterdir()):
        only = json.loads((folder / "case.json").read_text(encoding="utf-8")).get("only")
        cases.append((folder.name, only, lambda t, s, folder=folder: folder_case(t, folder, s)))
    # Further cases register themselves with the harness when imported.
    for module in sorted(HERE.glob("*_cases.py")):
        if module.stem != "run_cases":
            __import__(module.stem)
    cases += RUN_TIME_CASES

    failed, skipped, passed = [], [], 0
    for name, only, run in cases:
        if options.only and name != options.only:
            continue
        if only and only != platform:
            skipped.append(name)
            continue
        scratch = Path(tempfile.mkdtemp(prefix="tonemill-e2e-"))
        try:
            problems = run(tool, scratch)
        except subprocess.TimeoutExpired:
            problems = [f"no end within {TIME_LIMIT} seconds"]
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        if problems:
            failed.append(name)
            print(f"FAIL {name}")
            for problem in problems:
                print(f"  {problem}")
        else:
            passed += 1
    print(f"{passed} passed, {len(failed)} failed, {len(skipped)} skipped on {platform}")
    if skipped:
        print("skipped: " + ", ".join(skipped))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
