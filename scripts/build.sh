#!/usr/bin/env bash
# Configures and builds the project.
#   scripts/build.sh              optimised build with debug info in build/
#   scripts/build.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
#   scripts/build.sh --tsan       ThreadSanitizer build of the suites that run threads, in build-tsan/
#   scripts/build.sh --game       only the game and its data, in build/ (what scripts/run.sh needs)
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DORVA_SANITIZE=ON -DORVA_BUILD_BENCH=OFF)
fi
targets=()
if [ "${1:-}" = "--tsan" ]; then
  dir=build-tsan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DORVA_TSAN=ON -DORVA_BUILD_BENCH=OFF)
  # The application (loading thread, shutdown from another thread) and the resource manager
  # (loading on a second thread while the first draws) and the audio mixer (decoder thread and
  # device callback) and the game's start-up (loading thread beside the main loop) are where
  # threads meet.
  targets=(--target orva_app_tests orva_resource_manager_tests orva_audio_tests orva_game_tests)
fi
if [ "${1:-}" = "--game" ]; then targets=(--target mirovale orva_game_data); fi
if [ -n "${CI:-}" ]; then flags+=(-DORVA_WERROR=ON); fi

cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
