#!/usr/bin/python3
"""Writes data/properties/levels.xml, the story's 30 levels, from the table below.

Usage: make_levels.py [OUT]   (default: data/properties/levels.xml beside this tool's repository)

One line per level. Within a level each stage steps up from the level's first stage:
one row more, two more runes at the start and a push interval 4 ticks shorter per stage.
The curve is explained in data/LEVELS.md.
"""

import os
import sys

# Colour letters as the level file names them, in kind order 0..5.
COLOURS = ("r", "g", "y", "p", "br", "bl")
# Bonus names in kind order 0..4.
BONUSES = ("tripple", "slow", "runsdeath", "bomb", "flash")

# level: (stages, colours, bonuses, rows, runes at start, speed, bonus interval, bonus lifetime)
# colours and bonuses are blank-separated names; "-" means none.
LEVELS = {
    # Area 1, Mossy Glade: three colours, slow rows, the triple bonus appears.
    1: (2, "r g y", "-", 4, 9, 220, 900, 900),
    2: (2, "r g y", "-", 5, 12, 214, 900, 900),
    3: (3, "r g y", "tripple", 5, 14, 208, 700, 1300),
    4: (3, "r g y", "tripple", 6, 16, 202, 700, 1300),
    5: (3, "g y p", "tripple slow", 7, 18, 196, 700, 1250),
    # Area 2, Misty Wood: a fourth colour; slow, then the bomb.
    6: (3, "r g y p", "tripple slow", 7, 18, 192, 750, 1250),
    7: (3, "r g y p", "tripple slow", 8, 20, 187, 750, 1200),
    8: (3, "r g y p", "tripple slow bomb", 8, 22, 182, 750, 1200),
    9: (3, "r g p br", "tripple slow bomb", 9, 24, 177, 800, 1150),
    10: (4, "r g y p", "tripple slow bomb", 9, 26, 172, 800, 1150),
    # Area 3, Sunken Ruins: the colour wipe; five colours by the end.
    11: (3, "r g y p", "tripple slow runsdeath bomb", 9, 27, 168, 800, 1100),
    12: (4, "r g y br", "tripple slow runsdeath bomb", 10, 27, 164, 800, 1100),
    13: (4, "g y p br", "slow runsdeath bomb", 10, 28, 160, 850, 1050),
    14: (4, "r g y p br", "tripple slow runsdeath bomb", 10, 28, 156, 850, 1050),
    15: (4, "r g y p br", "tripple slow runsdeath bomb", 11, 30, 152, 850, 1000),
    # Area 4, Ice Cliffs: lightning; five colours throughout.
    16: (4, "r g y p br", "tripple slow runsdeath bomb flash", 11, 30, 148, 850, 1000),
    17: (4, "r y p br bl", "tripple slow runsdeath bomb flash", 12, 31, 144, 900, 950),
    18: (4, "r g y p br", "tripple runsdeath bomb flash", 12, 32, 140, 900, 950),
    19: (4, "g y p br bl", "tripple slow runsdeath bomb flash", 13, 33, 136, 900, 900),
    20: (5, "r g y p br", "tripple slow runsdeath bomb flash", 13, 34, 132, 900, 900),
    # Area 5, Ember Deep: six colours arrive; bonuses come less often.
    21: (4, "r g y p br bl", "tripple slow runsdeath bomb flash", 12, 34, 128, 950, 900),
    22: (4, "r g y p br", "tripple slow runsdeath bomb flash", 13, 36, 125, 950, 850),
    23: (5, "r g y p br bl", "tripple slow runsdeath bomb flash", 13, 36, 122, 950, 850),
    24: (5, "r g y p br bl", "slow runsdeath bomb flash", 14, 38, 119, 1000, 850),
    25: (5, "r g y p br bl", "tripple slow runsdeath bomb flash", 14, 40, 116, 1000, 800),
    # Area 6, Sky Citadel: six colours, fast rows, sparse and short-lived bonuses.
    26: (5, "r g y p br bl", "tripple slow runsdeath bomb flash", 14, 40, 114, 1050, 800),
    27: (5, "r g y p br bl", "tripple slow runsdeath bomb flash", 15, 42, 111, 1050, 800),
    28: (5, "r g y p br bl", "slow runsdeath bomb flash", 15, 44, 108, 1100, 750),
    29: (5, "r g y p br bl", "tripple slow runsdeath bomb flash", 16, 45, 105, 1100, 750),
    30: (5, "r g y p br bl", "tripple slow runsdeath bomb flash", 16, 46, 102, 1100, 700),
}

ROWS_PER_STAGE = 1
RUNES_PER_STAGE = 2
SPEED_PER_STAGE = 4


def stage_attributes(stage, colours, bonuses, rows, runes, speed, interval, lifetime):
    step = stage - 1
    attrs = [
        ("id", stage),
        ("rows", rows + ROWS_PER_STAGE * step),
        ("runsats", runes + RUNES_PER_STAGE * step),
        ("speed", speed - SPEED_PER_STAGE * step),
        ("bonusswt", interval),
        ("bonuslifet", lifetime),
    ]
    attrs += [(name, int(name in bonuses)) for name in BONUSES]
    attrs += [(name, int(name in colours)) for name in COLOURS]
    return attrs


def check_level(level, row):
    stages, colours, bonuses, rows, runes, speed, interval, lifetime = row
    colours = colours.split()
    bonuses = [] if bonuses == "-" else bonuses.split()
    unknown = [c for c in colours if c not in COLOURS] + [b for b in bonuses if b not in BONUSES]
    if unknown:
        raise SystemExit(f"level {level}: unknown names {unknown}")
    if len(colours) < 2:
        raise SystemExit(f"level {level}: a stage needs at least two colours")
    if bonuses and (interval <= 0 or lifetime <= 0):
        raise SystemExit(f"level {level}: bonuses need an interval and a lifetime")
    if speed - SPEED_PER_STAGE * (stages - 1) <= 0:
        raise SystemExit(f"level {level}: the push interval runs out")
    return stages, colours, bonuses, rows, runes, speed, interval, lifetime


def build():
    if sorted(LEVELS) != list(range(1, 31)):
        raise SystemExit("the story has levels 1 to 30")
    out = ['<?xml version="1.0" encoding="us-ascii"?>',
           "<!-- Made by tools/levels/make_levels.py: edit the table there, not this file. -->",
           "<Levels>"]
    for level in range(1, 31):
        stages, colours, bonuses, *numbers = check_level(level, LEVELS[level])
        out.append(f'  <Level id="{level}" stages="{stages}">')
        for stage in range(1, stages + 1):
            attrs = stage_attributes(stage, colours, bonuses, *numbers)
            text = " ".join(f'{name}="{value}"' for name, value in attrs)
            out.append(f"    <Stage {text} />")
        out.append("  </Level>")
    out.append("</Levels>")
    return "\n".join(out) + "\n"


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    target = argv[1] if len(argv) > 1 else os.path.join(root, "data", "properties", "levels.xml")
    text = build()
    tmp = target + ".tmp"
    with open(tmp, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    os.replace(tmp, target)


if __name__ == "__main__":
    main(sys.argv)
