#!/usr/bin/python3
"""Turns a particle source (text) into the game's 128-byte .psi particle file.

Usage: make_psi.py SOURCE OUT

The source has one "name = value" per line; "#" starts a comment. Every name below must be given
exactly once. Numbers are decimal; angles may end in "deg" to be written in degrees (they are
stored in radians); colours are four numbers, red green blue alpha, from 0 to 1. On any error the
tool names the line, writes nothing and exits with status 1.

Motion is simulated 30 times a second, and a particle moves by its velocity once per step: speeds
are pixels per step, accelerations pixels per step per second.
"""

import math
import os
import struct
import sys

# (name, kind) in file order after the unused first word. Kinds: int, float, angle, flag, colour.
FIELDS = (
    ("emission", "int"),  # particles per second
    ("lifetime", "float"),  # seconds the system emits; -1 = endless
    ("life_min", "float"),  # seconds a particle lives
    ("life_max", "float"),
    ("direction", "angle"),  # 0 = up, growing clockwise
    ("spread", "angle"),
    ("relative", "flag"),  # direction follows the system's own movement
    ("speed_min", "float"),
    ("speed_max", "float"),
    ("gravity_min", "float"),
    ("gravity_max", "float"),
    ("radial_min", "float"),
    ("radial_max", "float"),
    ("tangential_min", "float"),
    ("tangential_max", "float"),
    ("size_start", "float"),
    ("size_end", "float"),
    ("size_var", "float"),
    ("spin_start", "angle"),
    ("spin_end", "angle"),
    ("spin_var", "float"),
    ("colour_start", "colour"),
    ("colour_end", "colour"),
    ("colour_var", "float"),
    ("alpha_var", "float"),
)
FILE_SIZE = 128


class SourceError(Exception):
    pass


def parse_number(text, where, integer=False):
    try:
        value = int(text, 10) if integer else float(text)
    except ValueError:
        kind = "a whole number" if integer else "a number"
        raise SourceError(f"{where}: expected {kind}, got '{text}'") from None
    if not integer and not math.isfinite(value):
        raise SourceError(f"{where}: '{text}' is not a finite number")
    return value


def parse_value(kind, text, where):
    if kind == "int":
        return parse_number(text, where, integer=True)
    if kind == "float":
        return parse_number(text, where)
    if kind == "angle":
        if text.endswith("deg"):
            return math.radians(parse_number(text[:-3].strip(), where))
        return parse_number(text, where)
    if kind == "flag":
        words = {"0": 0, "1": 1, "no": 0, "yes": 1, "false": 0, "true": 1}
        if text.lower() not in words:
            raise SourceError(f"{where}: expected yes or no, got '{text}'")
        return words[text.lower()]
    parts = text.replace(",", " ").split()
    if len(parts) != 4:
        raise SourceError(f"{where}: a colour is four numbers (red green blue alpha), got '{text}'")
    return [parse_number(p, where) for p in parts]


def parse_source(text, source_name):
    kinds = dict(FIELDS)
    values = {}
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        where = f"{source_name}:{number}"
        if "=" not in line:
            raise SourceError(f"{where}: expected 'name = value'")
        name, value = (part.strip() for part in line.split("=", 1))
        if name not in kinds:
            raise SourceError(f"{where}: unknown name '{name}'")
        if name in values:
            raise SourceError(f"{where}: '{name}' is given twice")
        if not value:
            raise SourceError(f"{where}: '{name}' has no value")
        values[name] = parse_value(kinds[name], value, where)
    missing = [name for name, _ in FIELDS if name not in values]
    if missing:
        raise SourceError(f"{source_name}: missing {', '.join(missing)}")
    return values


def pack(values):
    data = bytearray(struct.pack("<I", 0))
    for name, kind in FIELDS:
        value = values[name]
        if kind == "int":
            data += struct.pack("<i", value)
        elif kind == "flag":
            data += struct.pack("<B3x", value)
        elif kind == "colour":
            data += struct.pack("<4f", *value)
        else:
            data += struct.pack("<f", value)
    assert len(data) == FILE_SIZE, len(data)
    return bytes(data)


def main(argv):
    if len(argv) != 3:
        print("usage: make_psi.py SOURCE OUT", file=sys.stderr)
        return 2
    source, target = argv[1], argv[2]
    try:
        with open(source, encoding="utf-8") as f:
            text = f.read()
        data = pack(parse_source(text, source))
    except (OSError, UnicodeDecodeError) as e:
        print(f"make_psi: {source}: {e}", file=sys.stderr)
        return 1
    except SourceError as e:
        print(f"make_psi: {e}", file=sys.stderr)
        return 1
    except struct.error as e:
        print(f"make_psi: {source}: value out of range: {e}", file=sys.stderr)
        return 1
    directory = os.path.dirname(target)
    if directory:
        os.makedirs(directory, exist_ok=True)
    tmp = target + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
