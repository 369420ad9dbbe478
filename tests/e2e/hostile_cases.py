"""Hostile input: palettes and command lines made to crash, hang or bloat the
tool. Each run must end with its message, exit status 0, nothing on standard
error and the palette file unchanged, within the harness's time limit; where
the point is memory, the address space is capped with RLIMIT_AS.

Expected outputs come from the grey palette (a grey x x x packs to
x * 256 + 0x88) and from the path rules, never from a run of the tool.
The devices, FIFO, directory, /dev/full, closed standard output, broken pipe
and the hard and symbolic links live in run_cases.py.
"""
import hashlib
import os
import random
import resource
import sys

from harness import (COUNT_REJECTED, GREY_ECHO, GREY_PALETTE, GREYS, HEADER_REJECTED, SUCCESS, case, check_files, check_run,
                     expect, grey_array)

MB = 1 << 20


def note(text):
    print(f"note: {text}")
    sys.stdout.flush()


def sanitized(tool):
    # AddressSanitizer reserves terabytes of address space for its shadow
    # memory, so an RLIMIT_AS cap would stop it before main.
    with open(tool.path, "rb") as binary:
        return b"__asan_init" in binary.read()


def address_space_limit(tool, limit):
    if tool.launcher or tool.windows or sanitized(tool):
        return None

    def apply():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    return apply


def grey_texts(levels, base_name):
    echo = b"".join(b"%d %d %d -> 0x%X\r\n" % (x, x, x, x * 256 + 0x88) for x in levels)
    entries = b", ".join(b"0x%X" % (x * 256 + 0x88) for x in levels)
    return echo, b"const u16 " + base_name + b"_pal[] = { " + entries + b" };\r\n"


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as palette:
        for block in iter(lambda: palette.read(MB), b""):
            digest.update(block)
    return digest.hexdigest()


@case(only="posix")
def hundred_megabyte_colour_line(tool, scratch):
    # The first colour line is 100,000,000 bytes: "5", fifty million blanks,
    # "5 5", then commas. The fields are 5, 5 and 5 (blanks between fields act
    # as one; the number stops at the first comma), so the echo is that of the
    # grey palette with 5 in place of 0.
    levels = [5] + GREYS[1:]
    path = scratch / "long.pal"
    with open(path, "wb") as palette:
        palette.write(b"JASC-PAL\r\n0100\r\n16\r\n5")
        palette.write(b" " * 50_000_000)
        palette.write(b"5 5")
        palette.write(b"," * (100_000_000 - 50_000_004))
        palette.write(b"\r\n" + b"".join(b"%d %d %d\r\n" % (x, x, x) for x in levels[1:]))
    before = file_digest(path)
    problems = []
    # The line's string may hold it twice for a moment while it grows (the old
    # block and the new one); the run itself needs less than 16 MB beside it.
    echo, array = grey_texts(levels, b"long")
    result = tool.run(["long.pal"], scratch, preexec_fn=address_space_limit(tool, 2 * 100_000_000 + 32 * MB))
    problems += check_run(result, echo + SUCCESS)
    if (scratch / "long.yuv").read_bytes() != array:
        problems.append("array file of the long line differs")
    # Too little memory for the line: it reads as the empty string, a black
    # colour, and the run goes on to its message.
    limit = address_space_limit(tool, 48 * MB)
    if limit is None:
        note("hundred_megabyte_colour_line: no address-space cap under a sanitizer or launcher")
    else:
        echo, array = grey_texts([0] + GREYS[1:], b"long")
        result = tool.run(["long.pal"], scratch, preexec_fn=limit)
        problems += [f"48 MB cap: {p}" for p in check_run(result, echo + SUCCESS)]
        if (scratch / "long.yuv").read_bytes() != array:
            problems.append("48 MB cap: array file differs")
    if file_digest(path) != before:
        problems.append("the palette file changed")
    if sorted(os.listdir(scratch)) != ["long.pal", "long.yuv"]:
        problems.append(f"files left: {sorted(os.listdir(scratch))}")
    return problems


@case()
def random_bytes_and_zero_bytes(tool, scratch):
    noise = bytes(random.Random(20240611).randrange(256) for _ in range(256 * 1024))
    # Its first line can only be the magic line if it starts with J or a blank.
    assert noise[0] not in b"J "
    nul_lines = (b"JASC-PAL\0\0\r\n01\x0000\r\n16\0junk\r\n" +
                 b"".join(b"%d\0 %d %d\0\0\r\n" % (x, x, x) for x in GREYS))
    rows = [
        # name, palette bytes, standard output, array file
        ("noise", noise, HEADER_REJECTED, b""),
        # Zero bytes end the magic line's trimming and every number; a zero
        # byte after a field's digits leaves its value alone.
        ("zeros", nul_lines, GREY_ECHO + SUCCESS, grey_array(b"zeros")),
        # A zero byte before the magic word is not trimmed.
        ("lead", b"\0JASC-PAL\r\n0100\r\n16\r\n", HEADER_REJECTED, b""),
        # A zero byte before the count is no white space: no number, count 0.
        ("count", b"JASC-PAL\r\n0100\r\n\x0016\r\n", COUNT_REJECTED, b""),
    ]
    problems = []
    files = {}
    for name, palette, stdout, array in rows:
        (scratch / f"{name}.pal").write_bytes(palette)
        files[f"{name}.pal"] = palette
        files[f"{name}.yuv"] = array
        problems += [f"{name}: {p}" for p in expect(tool, scratch, [f"{name}.pal"], stdout, files,
                                                    preexec_fn=address_space_limit(tool, 256 * MB))]
    return problems


@case(only="posix")
def palette_without_read_permission(tool, scratch):
    if os.geteuid() == 0:
        note("palette_without_read_permission skipped: root reads a file whatever its mode")
        return []
    (scratch / "locked.pal").write_bytes(GREY_PALETTE)
    os.chmod(scratch / "locked.pal", 0)
    try:
        result = tool.run(["locked.pal"], scratch)
    finally:
        os.chmod(scratch / "locked.pal", 0o644)
    return check_run(result, HEADER_REJECTED) + check_files(
        scratch, {"locked.pal": GREY_PALETTE, "locked.yuv": b""})


def nested_path(length):
    # Directories of 200 bytes each, then a file name that brings the path to
    # exactly length bytes; no component reaches the 255-byte limit.
    parts = []
    while length - sum(len(p) + 1 for p in parts) > 250:
        parts.append("d" * 200)
    name_length = length - sum(len(p) + 1 for p in parts) - len(".pal")
    return "/".join(parts + ["p" * name_length + ".pal"])


def deep_files(scratch, path):
    """The files in the palette's directory, read through a descriptor: the
    absolute path is longer than the system takes in one piece."""
    found = {}
    directory = os.open(scratch, os.O_RDONLY)
    try:
        for part in path.split("/")[:-1]:
            inner = os.open(part, os.O_RDONLY, dir_fd=directory)
            os.close(directory)
            directory = inner
        for name in os.listdir(directory):
            handle = os.open(name, os.O_RDONLY, dir_fd=directory)
            with os.fdopen(handle, "rb") as f:
                found[name] = f.read()
    finally:
        os.close(directory)
    return found


def make_deep_palette(scratch, path):
    directory = os.open(scratch, os.O_RDONLY)
    try:
        for part in path.split("/")[:-1]:
            os.mkdir(part, dir_fd=directory)
            inner = os.open(part, os.O_RDONLY, dir_fd=directory)
            os.close(directory)
            directory = inner
        handle = os.open(path.split("/")[-1], os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=directory)
        with os.fdopen(handle, "wb") as f:
            f.write(GREY_PALETTE)
    finally:
        os.close(directory)


@case(only="posix")
def path_of_4096_bytes(tool, scratch):
    # Linux takes paths of up to 4095 bytes (PATH_MAX counts the closing zero).
    # At 4095 the run converts; the base name is the whole path up to ".pal",
    # slashes included. At 4096 neither file can be opened or created, so the
    # header read finds nothing: "Only JASC-PAL is supported" and no array file.
    problems = []
    for length, stdout in ((4095, GREY_ECHO + SUCCESS), (4096, HEADER_REJECTED)):
        path = nested_path(length)
        assert len(path.encode()) == length and max(len(p) for p in path.split("/")) < 256
        row = scratch / str(length)
        row.mkdir()
        make_deep_palette(row, path)
        name = path.split("/")[-1]
        files = {name: GREY_PALETTE}
        if length == 4095:
            files[name[:-4] + ".yuv"] = grey_array(path[:-4].encode())
        result = tool.run([path], row, preexec_fn=address_space_limit(tool, 256 * MB))
        problems += [f"{length}: {p}" for p in check_run(result, stdout)]
        found = deep_files(row, path)
        if found != files:
            problems.append(f"{length}: files {sorted(found)} differ from {sorted(files)}, or their bytes do")
        if os.listdir(row) != ["d" * 200]:
            problems.append(f"{length}: files beside the directory: {os.listdir(row)}")
    return problems


@case(only="posix")
def huge_and_many_arguments(tool, scratch):
    rows = [
        # One argument of 100,000 bytes names no file and no array file can be
        # made: a file name is at most 255 bytes.
        (["a" * 100_000], HEADER_REJECTED, {}),
        # 10,000 arguments of one letter join into one 19,999-byte name.
        (["a"] * 10_000, HEADER_REJECTED, {}),
        # 10,000 empty arguments join into 9,999 blanks, which trim to nothing:
        # the array path is ".yuv", as with two empty arguments.
        ([""] * 10_000, HEADER_REJECTED, {".yuv": b""}),
    ]
    problems = []
    for args, stdout, files in rows:
        label = f"{len(args)} argument(s) of {len(args[0])} bytes"
        problems += [f"{label}: {p}" for p in expect(tool, scratch, args, stdout, files,
                                                     preexec_fn=address_space_limit(tool, 256 * MB))]
    return problems
