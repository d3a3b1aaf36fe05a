#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test.
# Usage: sudo scripts/test.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
