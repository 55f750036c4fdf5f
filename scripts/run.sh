#!/usr/bin/env bash
# Sets up, builds and runs the program's main job: the drawing test card in a window.
# Extra arguments go to the program (for example --headless --out card.png).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build/game
exec ./testcard "$@"
