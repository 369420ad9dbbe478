"""What every end-to-end case shares: running the tool, the messages, the grey
palette whose entries need no arithmetic, and byte-for-byte comparison of
standard output and of the files a run leaves behind."""
import os
import stat
import subprocess
import time
from pathlib import Path

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


