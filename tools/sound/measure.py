"""Measures every .ogg in a folder with sox: length, peak and loudness (RMS), as a Markdown table.

    measure.py FOLDER [--max-peak DB] [--only NAME ...]

With --max-peak, exits 1 when any measured file peaks above DB dBFS (the game's effects must stay
at or below -1 dBFS so that the encoder's overshoot never clips). --only limits the table to the
named files (without ".ogg")."""

import argparse
import os
import re
import subprocess
import sys


def measure(path):
    """(seconds, peak dBFS, RMS dBFS) of one file, from `sox FILE -n stats` on the mixed channels."""
    result = subprocess.run(["sox", path, "-n", "stats"], capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"{path}: sox cannot read it: {result.stderr.strip()}")
    values = {}
    for line in result.stderr.splitlines():
        match = re.match(r"(\S.*?)\s{2,}(\S+)", line)
        if match:
            values[match.group(1)] = match.group(2)
    try:
        return float(values["Length s"]), float(values["Pk lev dB"]), float(values["RMS lev dB"])
    except (KeyError, ValueError):
        raise RuntimeError(f"{path}: unexpected sox output") from None


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--max-peak", type=float)
    parser.add_argument("--only", nargs="*")
    args = parser.parse_args(argv[1:])

    names = sorted(f[:-4] for f in os.listdir(args.folder) if f.endswith(".ogg"))
    if args.only:
        names = [n for n in names if n in args.only]
    print("| file | length s | peak dBFS | RMS dBFS |")
    print("|---|---:|---:|---:|")
    too_loud = []
    for name in names:
        length, peak, rms = measure(os.path.join(args.folder, name + ".ogg"))
        print(f"| {name}.ogg | {length:.3f} | {peak:.2f} | {rms:.2f} |")
        if args.max_peak is not None and peak > args.max_peak:
            too_loud.append(f"{name}.ogg ({peak:.2f} dBFS)")
    if too_loud:
        print(f"measure: above {args.max_peak} dBFS: " + ", ".join(too_loud), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
