#!/usr/bin/env bash
# Configures and builds the project.
#   scripts/build.sh              optimised build with debug info in build/
#   scripts/build.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DORVA_SANITIZE=ON -DORVA_BUILD_BENCH=OFF)
fi
if [ -n "${CI:-}" ]; then flags+=(-DORVA_WERROR=ON); fi

cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
