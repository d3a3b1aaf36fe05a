#!/usr/bin/env bash
# Builds the benchmarks in Release and runs every one of them, then prints one
# table: figure, baseline, ratio, spread, daemon/model, goal, met. Each figure
# is measured against a baseline in the same run, so the machine's load moves
# both; the load is printed with the table. The AXI figures are medians of
# rounds in which the servers run in turns (spread: the ratio's range over
# the rounds; daemon/model: corvane-axid against the model of its system
# calls, median and range). Unmet goals do not fail the script; a benchmark
# that does not run does.
#
# Usage: scripts/bench.sh [--short] [build-dir]
#   --short    a quick pass (a minute or two) that shows every benchmark still
#              runs; it reuses ./build when that exists, figures are rough
#   build-dir  default build-release (with --short: build, if it exists)
set -euo pipefail
cd "$(dirname "$0")/.."

short=0
if [[ ${1:-} == --short ]]; then
    short=1
    shift
fi
case ${1:-} in
    -h | --help)
        sed -n '2,15s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    -*)
        echo "bench.sh: unknown option $1" >&2
        exit 2
        ;;
esac
if [[ -n ${1:-} ]]; then
    build=$1
elif ((short)) && [[ -f build/build.ninja ]]; then
    build=build
else
    build=build-release
fi

if [[ ! -f $build/build.ninja ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
programs=(axi_bench sdi_bench packets_bench datacore_bench client_bench webd_bench)
cmake --build "$build" --target "${programs[@]}" -- -j"$(nproc)" >/dev/null

if ((short)); then
    google=(--benchmark_min_time=0.01)
    axi=(--seconds 0.05 --rounds 2 --clients 50)
else
    # Each comparison from the medians of 5 repetitions run in turns with
    # those of its baseline.
    google=(--benchmark_min_time=0.1 --benchmark_repetitions=5
        --benchmark_enable_random_interleaving=true)
    axi=()
fi

log=$build/bench.log
: >"$log"
rows=()
for program in "${programs[@]}"; do
    args=("${google[@]}")
    [[ $program == axi_bench ]] && args=("${axi[@]}")
    echo "== $program ${args[*]}" >>"$log"
    if ! "$build/bin/$program" "${args[@]}" >>"$log" 2>&1; then
        echo "bench.sh: $program failed; its output is in $log" >&2
        tail -n 20 "$log" >&2
        exit 1
    fi
done
mapfile -t rows < <(sed -n 's/.*BENCH|//p' "$log")
if ((${#rows[@]} == 0)); then
    echo "bench.sh: no figures in $log" >&2
    exit 1
fi

echo "$(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)$( ((short)) && echo ', short run: rough figures')"
{
    echo "figure|baseline|ratio|spread|daemon/model|goal|met"
    printf '%s\n' "${rows[@]}"
} | column -t -s '|'
