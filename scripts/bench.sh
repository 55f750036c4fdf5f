#!/usr/bin/env bash
# Sets up, builds and runs the drawing benchmarks (megapixels per second and ratios against
# the other software compositors). Extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/bench/drawing_bench "$@"
