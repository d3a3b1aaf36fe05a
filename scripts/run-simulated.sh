#!/usr/bin/env bash
# Builds the daemon and runs it in the foreground on a simulated controller
# board (a umockdev testbed). Options go to corvane-simboard, e.g.
#   sudo scripts/run-simulated.sh --mezzanine 9 --reg 1:0x10=0xcafe --keep
# (see build/bin/corvane-simboard --help). Stop it with Ctrl-C. Meanwhile, in
# another terminal: build/bin/corvane-axi version
# The build directory is build/ unless CORVANE_BUILD_DIR names another.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${CORVANE_BUILD_DIR:-build}
bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target corvane-axid corvane-simboard corvane-axi
exec "$build/bin/corvane-simboard" "$@"
