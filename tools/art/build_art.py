"""Builds every picture of the game into the game folder's "images" directory.

    build_art.py OUT_DIR [FAMILY ...]

Each family of pictures is one module next to this file with a function build(out_dir) that
writes its files and returns their names. Without FAMILY arguments every family is built."""

import importlib
import os
import sys

FAMILIES = ["board", "screens", "interface", "icon"]


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out_dir = argv[1]
    wanted = argv[2:] or FAMILIES
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    os.makedirs(out_dir, exist_ok=True)
    count = 0
    for name in wanted:
        try:
            module = importlib.import_module(name)
        except ModuleNotFoundError as error:
            if error.name != name:
                raise
            print(f"build_art: no family '{name}' yet", file=sys.stderr)
            continue
        count += len(module.build(out_dir) or [])
    print(f"build_art: {count} pictures in {out_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
