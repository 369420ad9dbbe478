#!/usr/bin/env python3
"""Exact expected outputs for tonemill's end-to-end cases.

This script knows nothing of the C++ sources. It redoes what the tool must do
with exact rational arithmetic (fractions.Fraction) and explicit rounding to
each binary format, so that an expected array file or console text never comes
from the tool itself.

    python3 tests/e2e/reference.py check
        checks the arithmetic against the published figures and stops with
        an error on the first difference

    python3 tests/e2e/reference.py generate tests/e2e/cases/<name> [...]
        runs the check, then writes <case>/stdout and <case>/out/ from
        <case>/in/ and <case>/case.json

Standard library only. Bytes throughout: palette lines, paths and messages are
byte strings, as the tool treats them.
"""

import json
import re
import shutil
import sys
from fractions import Fraction
from pathlib import Path

INT_MIN = -(2**31)
INT_MAX = 2**31 - 1
BLANK = b" "
CRLF = b"\r\n"

MSG_NO_INPUT = b"No input file specified"
MSG_HEADER = b"Only JASC-PAL is supported"
MSG_COUNT = b"Only 16 or 256 color palettes are supported"
MSG_DONE = b"TONEMILL conversion was successful"

INF = float("inf")
NAN = float("nan")


# ---------------------------------------------------------------- rounding

def round_half_even(x: Fraction) -> int:
    """Nearest integer, halves to the even neighbour."""
    n = x.numerator // x.denominator  # floor
    rest = x - n
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and n % 2 == 1):
        n += 1
    return n


def round_half_away(x: Fraction) -> int:
    """Nearest integer, halves away from zero (only for the faulty-evaluation check)."""
    a = abs(x) + Fraction(1, 2)
    n = a.numerator // a.denominator
    return n if x >= 0 else -n


def round_to_bits(x: Fraction, bits: int, emin=None) -> Fraction:
    """The value with a `bits`-bit significand nearest to x, ties to even.

    emin is the exponent of the smallest normal value; below it the spacing
    stays that of 2**emin (gradual underflow). None means no lower limit, as
    for the 64-bit significand of intermediate results.
    """
    if x == 0:
        return Fraction(0)
    a = abs(x)
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    if emin is not None and e < emin:
        e = emin
    quantum = Fraction(2) ** (e - bits + 1)
    r = round_half_even(a / quantum) * quantum
    return r if x > 0 else -r


def to_binary64(x: Fraction):
    """Nearest binary64 value (a Fraction), or an infinity when it overflows."""
    r = round_to_bits(x, 53, emin=-1022)
    if abs(r) >= Fraction(2) ** 1024:
        return INF if r > 0 else -INF
    return r


def to_binary32(x: Fraction) -> Fraction:
    r = round_to_bits(x, 24, emin=-126)
    assert abs(r) < Fraction(2) ** 128, "no colour value comes near the binary32 limit"
    return r


def to_extended(x: Fraction) -> Fraction:
    """An intermediate result carried with a 64-bit significand."""
    return round_to_bits(x, 64)


# ------------------------------------------------------------- number text

WHITE = b" \t\n\v\f\r"
DECIMAL_RE = re.compile(rb"(\d+)?(?:\.(\d*))?")
EXPONENT_RE = re.compile(rb"[eE]([+-]?\d+)")
HEX_RE = re.compile(rb"0[xX]([0-9a-fA-F]*)(?:\.([0-9a-fA-F]*))?")
HEX_EXPONENT_RE = re.compile(rb"[pP]([+-]?\d+)")
NAN_RE = re.compile(rb"nan(\([0-9A-Za-z_]*\))?", re.IGNORECASE)


def decimal_value(digits: bytes, frac: bytes, exponent: int):
    """Correctly rounded binary64 of digits.frac * 10**exponent (non-negative)."""
    m = int(digits + frac or b"0")
    if m == 0:
        return Fraction(0)
    scale = exponent - len(frac)
    magnitude = len(str(m)) + scale  # 10**(magnitude-1) <= value < 10**magnitude
    if magnitude > 400:
        return INF
    if magnitude < -400:
        return Fraction(0)
    return to_binary64(Fraction(m) * Fraction(10) ** scale)


def decimal_reader(text: bytes):
    """The platform's decimal text to binary64, on the working copy."""
    i = 0
    while i < len(text) and text[i] in WHITE:
        i += 1
    negative = False
    if i < len(text) and text[i:i + 1] in (b"+", b"-"):
        negative = text[i:i + 1] == b"-"
        i += 1
    rest = text[i:]
    value = Fraction(0)
    m = HEX_RE.match(rest)
    if m:
        whole, frac = m.group(1), m.group(2) or b""
        if whole or frac:
            mantissa = int(whole + frac, 16)
            power = -4 * len(frac)
            e = HEX_EXPONENT_RE.match(rest, m.end())
            if e:
                power += int(e.group(1))
            if mantissa == 0:
                value = Fraction(0)
            elif power > 1100:
                value = INF
            elif power < -1200 - 4 * len(whole + frac):
                value = Fraction(0)
            else:
                value = to_binary64(Fraction(mantissa) * Fraction(2) ** power)
        # "0x" without a hexadecimal digit reads as the 0 before the x
    elif rest[:8].lower() == b"infinity" or rest[:3].lower() == b"inf":
        value = INF
    elif NAN_RE.match(rest):
        return NAN
    else:
        m = DECIMAL_RE.match(rest)
        digits, frac = m.group(1) or b"", m.group(2) or b""
        if digits or frac:
            exponent = 0
            e = EXPONENT_RE.match(rest, m.end())
            if e:
                exponent = int(e.group(1))
            value = decimal_value(digits, frac, exponent)
    if negative:
        value = -value
    return value


def radix_reader(digits: bytes, radix: int):
    acc = 0
    for byte in digits:
        ch = chr(byte)
        try:
            d = int(ch, 16)
        except ValueError:
            break
        if d >= radix:
            break
        acc = (acc * radix + d) % 2**64
    if acc >= 2**63:
        acc -= 2**64
    return to_binary64(Fraction(acc))


def parse_number(text: bytes):
    """Number text to binary64: a Fraction, or an infinity or NaN as a float."""
    i = 0
    while i < len(text) and text[i:i + 1] == BLANK:
        i += 1
    rest = text[i:]
    if not rest:
        return Fraction(0)
    if len(rest) >= 2:
        if rest[:1] == b"&":
            sel = rest[1:2]
            if sel in (b"H", b"h"):
                return radix_reader(rest[2:], 16)
            if sel in (b"O", b"o"):
                return radix_reader(rest[2:], 8)
            if sel in (b"B", b"b"):
                return radix_reader(rest[2:], 2)
            return radix_reader(rest[1:], 8)
        if rest[:1] == b"0" and rest[1:2] in (b"x", b"X"):
            return Fraction(0)
    copy = rest.replace(b"D", b"E").replace(b"d", b"e")
    return decimal_reader(copy)


def round_to_integer(x) -> int:
    if not isinstance(x, Fraction):  # infinity or NaN
        return INT_MIN
    n = round_half_even(x)
    return n if INT_MIN <= n <= INT_MAX else INT_MIN


def format_hex(n: int) -> bytes:
    return b"%X" % (n & 0xFFFFFFFF)


def format_decimal(n: int) -> bytes:
    return b"%d" % n


# ----------------------------------------------------------------- strings

def str_trim(s: bytes) -> bytes:
    s = s.lstrip(b" ")
    return s.rstrip(b" \x00")


def command_tail(args) -> bytes:
    return b" ".join(args)


def text_lines(data: bytes):
    """The lines that text-mode reading delivers, line ends removed."""
    stop = data.find(b"\x1a")
    if stop >= 0:
        data = data[:stop]
    data = data.replace(b"\r\n", b"\n")
    lines = []
    pos = 0
    while pos < len(data):
        nl = data.find(b"\n", pos)
        if nl < 0:
            line, pos = data[pos:], len(data)
        else:
            line, pos = data[pos:nl], nl + 1
        if line.endswith(b"\r"):
            line = line[:-1]
        lines.append(line)
    return lines


# ------------------------------------------------------------ palette reader

def split_colour_line(line: bytes):
    """Red, green and blue of one colour line: blanks split, the rest is trimmed."""
    values = []
    for _ in range(2):
        k = line.find(BLANK) + 1  # 1-based, 0 when there is no blank
        values.append(round_to_integer(parse_number(line[:k])))
        line = str_trim(line[k:])
    values.append(round_to_integer(parse_number(line)))
    return tuple(values)


def count_of(line: bytes) -> int:
    return round_to_integer(parse_number(line))


# ---------------------------------------------------------- colour packing

COEFF = {name: Fraction(float(name)) for name in
         ("0.299", "0.587", "0.114", "-0.1686", "0.3311", "0.4997",
          "0.4998", "0.4185", "0.0813")}


def luma_chroma(r: int, g: int, b: int, step2=to_extended, store=True, coeff=COEFF):
    """Y, U and V after the store to single precision (before clamping)."""
    R, G, B = (to_binary32(Fraction(c)) for c in (r, g, b))
    k = coeff
    p = step2
    y = p(p(p(R * k["0.299"]) + p(G * k["0.587"])) + p(B * k["0.114"]))
    u = p(p(p(p(R * k["-0.1686"]) - p(G * k["0.3311"])) + p(B * k["0.4997"])) + 128)
    v = p(p(p(p(R * k["0.4998"]) - p(G * k["0.4185"])) - p(B * k["0.0813"])) + 128)
    if store:
        y, u, v = to_binary32(y), to_binary32(u), to_binary32(v)
    return y, u, v


def pack_colour(r: int, g: int, b: int, **faults) -> int:
    halves_away = faults.pop("halves_away", False)
    rounded = []
    for x in luma_chroma(r, g, b, **faults):
        x = min(max(x, Fraction(0)), Fraction(255))
        rounded.append(round_half_away(x) if halves_away else round_to_integer(x))
    y, u, v = rounded
    u4 = min((u + 8) >> 4, 15)  # a chroma of 248..255 saturates at 15
    v4 = min((v + 8) >> 4, 15)
    return y * 256 + u4 * 16 + v4


# --------------------------------------------------------------- conversion

def convert(args, files):
    """Run one conversion. files maps path bytes to content bytes.

    Returns (stdout bytes, {array path: bytes}). Only simple paths in the
    working directory are modelled.
    """
    out = bytearray()
    tail = command_tail(args)
    if tail == b"":
        return bytes(out) + MSG_NO_INPUT + CRLF, {}
    path = str_trim(tail)
    if path[:1] == b'"':
        path = path[1:]
    if path[-1:] == b'"':
        path = path[:-1]
    base = path.rsplit(b"\\", 1)[-1]
    base = base.split(b".", 1)[0]
    array_path = path[:max(len(path) - 4, 0)] + b".yuv"
    if b"/" in path or b"\\" in path or b"/" in array_path or b"\\" in array_path:
        raise SystemExit("reference: only file names in the working directory are modelled")
    if array_path == path:
        raise SystemExit("reference: an array path equal to the palette path is not modelled")
    if path == b"" or path not in files:
        lines = []  # the palette read comes from the new, empty array file
    else:
        if b"\x00" in files[path]:
            raise SystemExit("reference: zero bytes in a palette file are not modelled")
        lines = text_lines(files[path])
    pos = 0

    def read_line():
        nonlocal pos
        line = lines[pos] if pos < len(lines) else b""
        pos += 1
        return line

    if str_trim(read_line()) != b"JASC-PAL":
        return bytes(out) + MSG_HEADER + CRLF, {array_path: b""}
    read_line()
    count = count_of(read_line())
    if count not in (16, 256):
        return bytes(out) + MSG_COUNT + CRLF, {array_path: b""}
    arr = bytearray(b"const u16 " + base + b"_pal[] = { ")
    row = 3
    for i in range(1, count + 1):
        r, g, b = split_colour_line(read_line())
        entry = pack_colour(r, g, b)
        out += b" ".join(format_decimal(c) for c in (r, g, b)) + b" -> 0x" + format_hex(entry) + CRLF
        arr += b"0x" + format_hex(entry)
        if i < count:
            arr += b", "
        row += 1
        if row > 19:
            row = 0
            arr += b" " + CRLF
    arr += b" };" + CRLF
    return bytes(out) + MSG_DONE + CRLF, {array_path: bytes(arr)}


# --------------------------------------------------------------- self-check

WORKED = [  # R G B, Y U V after the store to single precision, entry
    ((0, 0, 0), (0, 128, 128), 0x0088),
    ((255, 255, 255), (255, 128, 128), 0xFF88),
    ((128, 128, 128), (128, 128, 128), 0x8088),
    ((0, 255, 0), (149.685, 43.569, 21.282), 0x9631),
    ((255, 255, 0), (225.930, 0.576, 148.732), 0xE209),
    ((0, 255, 255), (178.755, 170.993, 0.551), 0xB3B0),
    ((255, 0, 255), (105.315, 212.430, 234.717), 0x69DF),
    ((128, 0, 0), (38.272, 106.419, 191.974), 0x267C),
    ((0, 0, 128), (14.592, 191.962, 117.594), 0x0FC7),
    ((200, 100, 50), (124.200, 86.155, 182.045), 0x7C5B),
    ((0, 0, 238), (27.132, 246.929, 108.651), 0x1BF7),
]

TIES = [  # R G B, Y after the store, exact Y just below it, entry, faulty entry and the fault
    ((1, 13, 5), 8.5, 0x0888, 0x0988, {"halves_away": True}),
    ((1, 37, 13), 23.5, 0x1887, 0x1787, {"store": False}),
    ((14, 156, 103), 107.5, 0x6C84, 0x6B84, {"store": False}),
]

OUT_OF_RANGE = [
    ((300, 300, 300), 0xFF88),
    ((-5, -5, -5), 0x0088),
    ((-100, 0, 0), 0x0095),
    ((255, 255, -255), 0xC50B),
]

SATURATING = [  # R G B, which chroma, its value before clamping, entry
    ((255, 0, 0), 2, 255.449, 0x4C5F),
    ((0, 0, 255), 1, 255.423, None),
    ((0, 0, 240), 1, 247.928, None),
]

PARSE = [  # text, round_to_integer(parse_number(text))
    (b"", 0), (b"   ", 0), (b"16", 16), (b"  256", 256), (b"255 ", 255), (b"\t16", 16),
    (b"+7", 7), (b"-0", 0), (b"12abc", 12), (b"1,5", 1), (b"1 2", 1), (b".5", 0),
    (b"1.5", 2), (b"2.5", 2), (b"-2.5", -2), (b"255.5", 256), (b"1.6e1", 16),
    (b"1.6D1", 16), (b"1.6d1", 16), (b"1D2", 100), (b"4d", 4), (b"2e", 2), (b"e5", 0),
    (b"&H10", 16), (b"&h1f", 31), (b" &HFF", 255), (b"\t&HFF", 0), (b"+&H10", 0),
    (b"&H 10", 0), (b"&O17", 15), (b"&o17", 15), (b"&17", 15), (b"&18", 1), (b"&9", 0),
    (b"&B101", 5), (b"&B2", 0), (b"&", 0), (b"&H", 0), (b"&HFFFFFFFF", INT_MIN),
    (b"&H" + b"F" * 16, -1), (b"0x10", 0), (b" 0X10", 0), (b"-0x10", -16),
    (b"\t0x10", 16), (b"inf", INT_MIN), (b"-Infinity", INT_MIN), (b"nan", INT_MIN),
    (b"NaN(1)", INT_MIN), (b"1e400", INT_MIN), (b"1e-400", 0),
    (b"2147483647.4", INT_MAX), (b"2147483647.5", INT_MIN), (b"-2147483648.5", INT_MIN),
    (b"15.5", 16), (b"16.5", 16), (b"&H100", 256), (b" 16 ", 16), (b"16 colours", 16),
    (b"32", 32),
]

COLOUR_LINES = [
    (b"255 128 0", (255, 128, 0)), (b"255   128  0", (255, 128, 0)),
    (b"255 128 0 ", (255, 128, 0)), (b"255 128 0 99", (255, 128, 0)),
    (b"255 128", (255, 0, 128)), (b"255", (0, 0, 255)), (b" 255 128 0", (0, 255, 128)),
    (b"255\t128\t0", (0, 0, 255)), (b"255 128\t0", (255, 0, 128)),
    (b"\t255 128 0", (255, 128, 0)), (b"-5 300 1000", (-5, 300, 1000)),
    (b"12.5 13.5 1e2", (12, 14, 100)), (b"&HFF &H80 &H40", (255, 128, 64)),
    (b"red green blue", (0, 0, 0)), (b"", (0, 0, 0)),
]

TEXT_READING = [  # file bytes, delivered lines
    (b"JASC-PAL\r\n0100\r\n16\r\n", [b"JASC-PAL", b"0100", b"16"]),
    (b"JASC-PAL\n0100\n16\n", [b"JASC-PAL", b"0100", b"16"]),
    (b"0 0 0\r1 1 1\n", [b"0 0 0\r1 1 1"]),
    (b"abc\r\r\n", [b"abc"]),
    (b"64 64 64", [b"64 64 64"]),
    (b"64 64 64\r", [b"64 64 64"]),
    (b"JASC-PAL\r\n\x1a0100\r\n", [b"JASC-PAL"]),
    (b"\r\n", [b""]),
]

HEX = [(0, b"0"), (10, b"A"), (255, b"FF"), (4096, b"1000"), (65552, b"10010"),
       (-1, b"FFFFFFFF"), (INT_MAX, b"7FFFFFFF"), (INT_MIN, b"80000000")]


def self_check():
    failures = []

    def expect(what, got, want):
        if got != want:
            failures.append(f"{what}: got {got!r}, want {want!r}")

    for rgb, yuv, entry in WORKED:
        got = luma_chroma(*rgb)
        for name, g, w in zip("YUV", got, yuv):
            if abs(g - Fraction(str(w))) > Fraction(1, 2000):
                failures.append(f"{rgb} {name}: got {float(g):.4f}, want {w}")
        expect(f"entry of {rgb}", hex(pack_colour(*rgb)), hex(entry))
    for x in range(256):
        expect(f"grey {x}", hex(pack_colour(x, x, x)), hex(x * 256 + 0x88))
    for rgb, y_half, entry, faulty, fault in TIES:
        y_stored = luma_chroma(*rgb)[0]
        y_exact = luma_chroma(*rgb, store=False)[0]
        expect(f"stored Y of {rgb}", y_stored, Fraction(str(y_half)))
        if not y_exact < Fraction(str(y_half)):
            failures.append(f"exact Y of {rgb} is not just below {y_half}")
        expect(f"entry of {rgb}", hex(pack_colour(*rgb)), hex(entry))
        expect(f"faulty entry of {rgb} with {fault}", hex(pack_colour(*rgb, **fault)), hex(faulty))
    # Single-precision arithmetic in the formulas is the third fault that the last tie case shows.
    single = {k: to_binary32(c) for k, c in COEFF.items()}
    expect("faulty entry of (14, 156, 103) in single precision",
           hex(pack_colour(14, 156, 103, step2=to_binary32, coeff=single)), hex(0x6B84))
    for rgb, entry in OUT_OF_RANGE:
        expect(f"entry of {rgb}", hex(pack_colour(*rgb)), hex(entry))
    for rgb, which, before_clamp, entry in SATURATING:
        value = luma_chroma(*rgb)[which]
        if abs(value - Fraction(str(before_clamp))) > Fraction(1, 2000):
            failures.append(f"chroma of {rgb}: got {float(value):.4f}, want {before_clamp}")
        if entry is not None:
            expect(f"saturated entry of {rgb}", hex(pack_colour(*rgb)), hex(entry))
        expect(f"saturated chroma field of {rgb}",
               (pack_colour(*rgb) >> (4 if which == 1 else 0)) & 0xF, 15)
    for text, want in PARSE:
        expect(f"number {text!r}", round_to_integer(parse_number(text)), want)
    for line, want in COLOUR_LINES:
        expect(f"colour line {line!r}", split_colour_line(line), want)
    for data, want in TEXT_READING:
        expect(f"lines of {data!r}", text_lines(data), want)
    for n, want in HEX:
        expect(f"hex of {n}", format_hex(n), want)
    expect("decimal of INT_MIN", format_decimal(INT_MIN), b"-2147483648")
    # The echo lines shown for single colours.
    for rgb, line in [((0, 0, 0), b"0 0 0 -> 0x88"), ((255, 255, 255), b"255 255 255 -> 0xFF88"),
                      ((0, 0, 128), b"0 0 128 -> 0xFC7"), ((0, 255, 0), b"0 255 0 -> 0x9631"),
                      ((-5, -5, -5), b"-5 -5 -5 -> 0x88")]:
        pal = b"JASC-PAL\r\n0100\r\n16\r\n" + b"%d %d %d\r\n" % rgb
        stdout, _ = convert([b"p.pal"], {b"p.pal": pal})
        expect(f"echo of {rgb}", stdout.split(CRLF)[0], line)
    # Layout: one line for 16 colours; 17, eleven times 20, then 19 entries for 256.
    _, out = convert([b"p.pal"], {b"p.pal": b"JASC-PAL\n0100\n256\n"})
    rows = out[b"p.yuv"].split(CRLF)
    expect("rows of 256", [r.count(b"0x") for r in rows], [17] + [20] * 11 + [19, 0])
    expect("row ends", all(r.endswith(b",  ") for r in rows[:12]) and rows[12].endswith(b" };"), True)
    _, out = convert([b"p.pal"], {b"p.pal": b"JASC-PAL\n0100\n16\n"})
    expect("rows of 16", out[b"p.yuv"], b"const u16 p_pal[] = { " + b", ".join([b"0x88"] * 16) + b" };\r\n")
    expect("missing palette", convert([b"gone.pal"], {}), (MSG_HEADER + CRLF, {b"gone.yuv": b""}))
    expect("no argument", convert([], {}), (MSG_NO_INPUT + CRLF, {}))

    if failures:
        sys.exit("reference self-check failed:\n  " + "\n  ".join(failures))


# ---------------------------------------------------------------- generate

def generate(case_dir: Path):
    case = json.loads((case_dir / "case.json").read_text(encoding="utf-8"))
    rename = case.get("rename", {})
    real_name = lambda name: rename.get(name, name)
    folder_name = {real_name(n): n for n in rename}
    files = {}
    in_dir = case_dir / "in"
    if in_dir.is_dir():
        for p in sorted(in_dir.rglob("*")):
            if p.is_file():
                rel = p.relative_to(in_dir).as_posix()
                files[real_name(rel).encode("utf-8")] = p.read_bytes()
    args = [a.encode("utf-8") for a in case["args"]]
    stdout, written = convert(args, files)
    (case_dir / "stdout").write_bytes(stdout)
    out_dir = case_dir / "out"
    if out_dir.exists():
        shutil.rmtree(out_dir)
    for name, data in written.items():
        real = name.decode("utf-8")
        target = out_dir / folder_name.get(real, real)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)


def main(argv):
    if len(argv) >= 2 and argv[1] == "check":
        self_check()
        print("reference self-check passed")
        return 0
    if len(argv) >= 3 and argv[1] == "generate":
        self_check()
        for d in argv[2:]:
            generate(Path(d))
            print(f"generated {d}")
        return 0
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
