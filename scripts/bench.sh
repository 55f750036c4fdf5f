#!/usr/bin/env bash
# Sets up, builds and runs the benchmarks, each printing its ratio table at the end:
#   scripts/bench.sh                  all of them
#   scripts/bench.sh drawing|archive|image|font|resource [GOOGLE BENCHMARK ARGS]
#   scripts/bench.sh loop             the application loop: 10 s idle in real time, then redraws,
#                                     then the present paths in a real window
#   scripts/bench.sh audio [SECONDS]  mixing 18 effects and a streamed track offline
#   scripts/bench.sh board [--seconds N]  the playing field at its busiest, updated and drawn
#   scripts/bench.sh screens [--seconds N]  the main menu and the travel map at rest, and sliding
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
which=${1:-all}
shift || true
for b in drawing archive image font resource; do
  if [ "$which" = all ] || [ "$which" = "$b" ]; then build/bench/${b}_bench "$@"; fi
done
if [ "$which" = all ] || [ "$which" = loop ]; then
  build/bench/loop_bench idle 10
  build/bench/loop_bench redraw 500
  # The present paths need a display: a virtual one when there is none.
  if [ -n "${DISPLAY:-}" ]; then
    build/bench/loop_bench present 300
  else
    xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/loop_bench present 300
  fi
fi
if [ "$which" = all ] || [ "$which" = audio ]; then build/bench/audio_bench "$@"; fi
if [ "$which" = all ] || [ "$which" = board ]; then build/bench/board_bench "$@"; fi
if [ "$which" = all ] || [ "$which" = screens ]; then build/bench/screens_bench "$@"; fi
