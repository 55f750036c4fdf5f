#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Miro Vale needs.
# Idempotent: asks apt only for packages that are missing.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake make pkg-config clang-format
  # window, input, sound output and the software compositors the benchmarks compare against
  libsdl2-dev libpixman-1-dev
  # image files (OpenJPEG is loaded at run time; its headers describe the interface)
  libpng-dev zlib1g-dev libjpeg62-turbo-dev libopenjp2-7 libopenjp2-7-dev
  # system fonts: fontconfig finds a face, FreeType renders it; the free faces drawn in place of
  # the classic desktop ones
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  # the game's bitmap fonts: the faces they are made from, and HarfBuzz for the faces' kerning
  fonts-linuxlibertine libharfbuzz-dev
  # the fuzzing campaign (scripts/fuzz.sh): clang with libFuzzer
  clang libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a virtual X display for the windowed smoke test
  xvfb xauth
  # the game's pictures are drawn at build time by Python with PIL and numpy
  python3 python3-pil python3-numpy
  # sound: Ogg Vorbis decoding for the game, encoding for the sound build, and sox to measure
  libvorbis-dev libogg-dev sox
)

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
