#!/usr/bin/env bash
# Runs the fuzzing campaign: builds every fuzz target with clang and libFuzzer (plus AddressSanitizer
# and UndefinedBehaviorSanitizer) in build-fuzz/, then runs each for the given time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET ...]     (default 600 seconds, every target)
# Each target starts from its seed corpus in tests/fuzz/corpus/NAME/ and grows a working corpus in
# build-fuzz/corpus/NAME/. An input that crashes a target is copied into tests/fuzz/corpus/NAME/,
# where the normal test suite replays it from then on. Targets run two at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
seconds=${1:-600}
shift || true

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVA_FUZZ=ON \
  -DORVA_BUILD_TESTS=OFF -DORVA_BUILD_BENCH=OFF >/dev/null

# Only the fuzz programs (and what they link) are built, not the game, its data and the tools.
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  while read -r t; do targets+=("${t%_fuzz}"); done < <(cmake --build build-fuzz --target help | grep -o '[a-z0-9]*_fuzz$')
fi
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

run_one() {
  local name=$1
  local work=build-fuzz/corpus/$name seeds=tests/fuzz/corpus/$name crashes=build-fuzz/crashes/$name
  # Only this run's findings count: earlier ones are in the seeds already.
  rm -rf "$crashes"
  mkdir -p "$work" "$seeds" "$crashes"
  local status=0
  # Undefined behaviour ends the run like a crash, so its input is kept too. Leaks of system
  # libraries listed in tests/fuzz/lsan.supp are not findings.
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=tests/fuzz/lsan.supp \
    build-fuzz/fuzz/"${name}"_fuzz "$work" "$seeds" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$crashes/" -print_final_stats=1 >"build-fuzz/$name.log" 2>&1 || status=$?
  local execs
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/$name.log" | grep -o '[0-9]*$' || echo "?")
  if ls "$crashes"/* >/dev/null 2>&1; then
    cp "$crashes"/* "$seeds"/
    echo "$name: FOUND $(ls "$crashes" | wc -l) crashing input(s) after $execs runs; copied into $seeds (see build-fuzz/$name.log)"
  else
    echo "$name: clean, $execs runs in ${seconds}s (exit $status)"
  fi
}

running=0
for t in "${targets[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge 2 ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
