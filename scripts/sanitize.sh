#!/usr/bin/env bash
# Builds the tree with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs the whole test suite in it; a sanitizer report fails the test that
# caused it. Prints how long each step took.
# Usage: scripts/sanitize.sh [build-dir]          (default build-sanitize)
# CC/CXX pick the compiler (default clang, which also builds the fuzz
# targets); CORVANE_SANITIZE the sanitizers (default address,undefined).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-sanitize}
cc=${CC:-clang}
cxx=${CXX:-clang++}

args=(-G Ninja -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx"
      -DCORVANE_SANITIZE="${CORVANE_SANITIZE:-address,undefined}" -DCORVANE_BUILD_BENCH=OFF)
if [[ $("$cxx" --version) == *clang* ]]; then
    args+=(-DCORVANE_BUILD_FUZZ=ON)
fi
if command -v ccache >/dev/null; then
    args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

step() {
    local what=$1 start=$SECONDS rc=0
    shift
    "$@" || rc=$?
    echo "sanitize.sh: $what took $((SECONDS - start)) s"
    return $rc
}

# As root the suite runs in a network namespace of its own, so the daemon's
# fixed port cannot meet another instance on this machine.
isolate=()
if [[ $(id -u) == 0 ]] && command -v ip >/dev/null && unshare -n true 2>/dev/null; then
    isolate=(unshare -n sh -c 'ip link set lo up && exec "$@"' sh)
fi

step configure cmake -S . -B "$build" "${args[@]}"
step build cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
step ctest "${isolate[@]}" ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
