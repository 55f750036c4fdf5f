#!/usr/bin/env bash
# Sets up, builds and runs the benchmarks, each printing its ratio table at the end:
#   scripts/bench.sh                  all five
#   scripts/bench.sh drawing|archive|image|font|resource [GOOGLE BENCHMARK ARGS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
which=${1:-all}
shift || true
for b in drawing archive image font resource; do
  if [ "$which" = all ] || [ "$which" = "$b" ]; then build/bench/${b}_bench "$@"; fi
done
