#!/usr/bin/env bash
# Sets up, builds and runs every test. With --sanitize, the same suite runs under
# AddressSanitizer and UndefinedBehaviorSanitizer; with --tsan, the suites that run threads run
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh "$@"
dir=build
if [ "${1:-}" = "--sanitize" ]; then dir=build-sanitize; fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if [ "${1:-}" = "--tsan" ]; then
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  export ORVA_TEST_DATA="$PWD/tests/data"
  for suite in framework/app/orva_app_tests framework/resourcemanager/orva_resource_manager_tests \
    framework/audio/orva_audio_tests; do
    build-tsan/src/$suite
  done
  # The game's start-up is where its loading thread meets the main loop; whole stages played
  # through the loop add no thread, only minutes under the sanitizer.
  build-tsan/src/game/app/orva_game_tests --gtest_filter='GameAppTest.*'
  exit 0
fi
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
