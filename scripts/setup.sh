#!/usr/bin/env bash
# Installs the Debian packages Miro Vale needs: with --game only what building and running the
# game needs (scripts/run.sh), otherwise also what the tests, benchmarks and fuzzing need.
# Idempotent: asks apt only for packages that are missing.
set -euo pipefail

# What building and running the game needs.
packages=(
  # toolchain
  g++ cmake make pkg-config
  # window, input and sound output
  libsdl2-dev
  # image files (OpenJPEG is loaded at run time; its headers describe the interface)
  libpng-dev zlib1g-dev libjpeg62-turbo-dev libopenjp2-7 libopenjp2-7-dev
  # system fonts: fontconfig finds a face, FreeType renders it; the free faces drawn in place of
  # the classic desktop ones
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  # the game's bitmap fonts: the faces they are made from, and HarfBuzz for the faces' kerning
  fonts-linuxlibertine libharfbuzz-dev
  # the game's pictures are drawn at build time by Python with PIL and numpy
  python3 python3-pil python3-numpy
  # sound: Ogg Vorbis decoding for the game, encoding for the sound build, and sox to level it
  libvorbis-dev libogg-dev sox
)

# What the tests, benchmarks, fuzzing and packaging need besides (all but --game).
if [ "${1:-}" != "--game" ]; then
  packages+=(
    # formatting check
    clang-format
    # the software compositor the drawing benchmark compares against
    libpixman-1-dev
    # the fuzzing campaign (scripts/fuzz.sh): clang with libFuzzer
    clang libclang-rt-14-dev
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # a virtual X display for the windowed smoke test
    xvfb xauth
    # the launcher's and the metadata's validators, the manual page's formatter, the Debian package's tools
    desktop-file-utils appstream dpkg-dev file groff-base
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
