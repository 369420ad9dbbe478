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
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
CASES = HERE / "cases"
TIME_LIMIT = 60

NO_INPUT = b"No input file specified\r\n"
HEADER_REJECTED = b"Only JASC-PAL is supported\r\n"
COUNT_REJECTED = b"Only 16 or 256 color palettes are supported\r\n"
SUCCESS = b"TONEMILL conversion was successful\r\n"
SAME_FILE = b"Array file would overwrite the palette file\r\n"
NOT_WRITTEN = b"Array file could not be written\r\n"

# Sixteen grey levels: a grey x x x packs to x * 256 + 0x88 (luma x, both
# chroma values 128, reduced to 8), which needs no further arithmetic.
GREYS = list(range(15)) + [255]
GREY_PALETTE = b"JASC-PAL\r\n0100\r\n16\r\n" + b"".join(b"%d %d %d\r\n" % (x, x, x) for x in GREYS)
GREY_ECHO = b"".join(b"%d %d %d -> 0x%X\r\n" % (x, x, x, x * 256 + 0x88) for x in GREYS)


def grey_array(base_name: bytes) -> bytes:
    entries = b", ".join(b"0x%X" % (x * 256 + 0x88) for x in GREYS)
    return b"const u16 " + base_name + b"_pal[] = { " + entries + b" };\r\n"


class Tool:
    def __init__(self, path, launcher):
        self.path = str(Path(path).resolve())
        self.launcher = launcher
        self.windows = self.path.lower().endswith(".exe")

    def run(self, args, cwd, stdout=subprocess.PIPE, preexec_fn=None, env=None):
        command = self.launcher + [self.path] + args
        started = time.monotonic()
        result = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=stdout,
                                stderr=subprocess.PIPE, timeout=TIME_LIMIT, preexec_fn=preexec_fn,
                                env=env)
        result.seconds = time.monotonic() - started
        return result


def files_in(directory: Path) -> dict:
    found = {}
    for root, dirs, names in os.walk(directory):
        for name in names + [d for d in dirs if os.path.islink(os.path.join(root, d))]:
            full = Path(root) / name
            relative = str(full.relative_to(directory))
            if full.is_symlink():
                found[relative] = ("link", os.readlink(full))
            elif full.is_file():
                found[relative] = full.read_bytes()
            else:
                found[relative] = ("special", stat.S_IFMT(full.lstat().st_mode))
    return found


def check_run(result, stdout):
    problems = []
    if result.returncode != 0:
        problems.append(f"exit status {result.returncode}")
    if result.stderr:
        problems.append(f"standard error: {result.stderr[:200]!r}")
    if stdout is not None and result.stdout != stdout:
        problems.append(f"standard output\n    expected {stdout[:400]!r}\n    actual   {result.stdout[:400]!r}")
    return problems


def check_files(directory, expected):
    actual = files_in(directory)
    problems = []
    for name in sorted(set(actual) | set(expected)):
        if name not in actual:
            problems.append(f"missing file {name!r}")
        elif name not in expected:
            problems.append(f"unexpected file {name!r}")
        elif actual[name] != expected[name]:
            problems.append(f"file {name!r}\n    expected {expected[name][:300]!r}\n    actual   {actual[name][:300]!r}")
    return problems


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


# Cases made at run time. Each takes the tool and a fresh scratch directory and
# gives a list of problems; `only` names the platform a case needs.
RUN_TIME_CASES = []


def case(only=None):
    def register(function):
        RUN_TIME_CASES.append((function.__name__, only, function))
        return function
    return register


def expect(tool, scratch, args, expected_stdout, files, **run_options):
    result = tool.run(args, scratch, **run_options)
    return check_run(result, expected_stdout) + check_files(scratch, files)


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


@case(only="posix")
def closed_standard_output(tool, scratch):
    (scratch / "sky.pal").write_bytes(GREY_PALETTE)
    # The array file must not take the place of the closed descriptor.
    return expect(tool, scratch, ["sky.pal"], None,
                  {"sky.pal": GREY_PALETTE, "sky.yuv": grey_array(b"sky")},
                  stdout=None, preexec_fn=lambda: os.close(1))


@case(only="posix")
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
