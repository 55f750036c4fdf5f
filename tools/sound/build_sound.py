"""Builds every sound of the game into the game folder's "sound" directory.

    build_sound.py ENCODER OUT_DIR [FAMILY ...]

ENCODER is the project's Ogg Vorbis encoder (tools/sound/OggEncode.cpp, built by CMake). Each
family of sounds is one module next to this file ("effects", "music") with a function
build(out_dir, encode) that synthesises its sounds and writes them through encode(samples, path):
samples are a float numpy array of shape (frames, 2) at 44100 Hz, -1..1. Everything is
deterministic. Without FAMILY arguments every family is built."""

import importlib
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

FAMILIES = ["effects", "music"]
RATE = 44100


def make_encoder(encoder):
    def encode(samples, path):
        samples = np.asarray(samples, dtype=np.float64)
        if samples.ndim == 1:
            samples = np.stack([samples, samples], axis=1)
        pcm = (np.clip(samples, -1.0, 1.0) * 32767.0).round().astype("<i2")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with tempfile.NamedTemporaryFile(suffix=".wav", delete=False) as tmp:
            wav_path = tmp.name
        try:
            with wave.open(wav_path, "wb") as w:
                w.setnchannels(2)
                w.setsampwidth(2)
                w.setframerate(RATE)
                w.writeframes(pcm.tobytes())
            subprocess.run([encoder, wav_path, path], check=True)
        finally:
            os.unlink(wav_path)

    return encode


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    encoder, out_dir = argv[1], argv[2]
    wanted = argv[3:] or FAMILIES
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    os.makedirs(out_dir, exist_ok=True)
    encode = make_encoder(encoder)
    count = 0
    for name in wanted:
        try:
            module = importlib.import_module(name)
        except ModuleNotFoundError as error:
            if error.name != name:
                raise
            print(f"build_sound: no family '{name}' yet", file=sys.stderr)
            continue
        count += len(module.build(out_dir, encode) or [])
    print(f"build_sound: {count} sounds in {out_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
