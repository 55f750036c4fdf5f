#!/usr/bin/env bash
# Sets up, builds and runs the program's main job: the game, Miro Vale, in a window.
# Extra arguments go to the game, for example -play=story:3:2, or -headless -play=endless -seed=7 -onestage
# to play a stage without a display and print its result (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --game
scripts/build.sh --game
cd build/game
exec ./mirovale "$@"
