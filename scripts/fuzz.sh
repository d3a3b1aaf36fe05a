#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/, each for a bounded time, starting from
# the committed seeds (fuzz/corpus/<target>) and, for the JSON readers, the
# dictionary fuzz/json.dict. Configures (clang) and builds the fuzz tree when
# needed. Fails on any crash, leak, timeout or sanitizer report; the input
# that did it is kept as <build-dir>/fuzz-findings/<target>-*.
#
# Usage: scripts/fuzz.sh --smoke [build-dir]
#        scripts/fuzz.sh --seconds N [--build-dir DIR] [target...] [-- libFuzzer options]
#   --smoke       every target for 10 s from its seeds alone, with a fixed
#                 seed (FUZZ_SEED, default 1) (CI)
#   --seconds N   the targets named (default all) for N s each; the corpus
#                 grows in <build-dir>/fuzz-corpus/<target> from run to run
#   --no-leaks    do not report leaks (-detect_leaks=0)
#   build-dir     default build-fuzz; FUZZ_JOBS sets the build's parallelism
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '8,15s/^# \{0,1\}//p' "$0"; }
die() {
    echo "fuzz.sh: $1" >&2
    exit "${2:-1}"
}

mode="" seconds=0 build=build-fuzz leaks=1 targets=() extra=()
while (($#)); do
    case $1 in
        -h | --help) usage; exit 0 ;;
        --smoke) mode=smoke seconds=10 ;;
        --seconds)
            [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || die "--seconds needs a whole number" 2
            mode=long seconds=$2
            shift
            ;;
        --build-dir)
            [[ -n ${2:-} ]] || die "--build-dir needs a directory" 2
            build=$2
            shift
            ;;
        --no-leaks) leaks=0 ;;
        --) shift; extra=("$@"); break ;;
        -*) die "unknown option $1" 2 ;;
        *) if [[ $mode == smoke ]]; then build=$1; else targets+=("$1"); fi ;;
    esac
    shift
done
[[ -n $mode ]] || { usage >&2; exit 2; }

if [[ ! -f $build/build.ninja ]]; then
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCORVANE_BUILD_FUZZ=ON \
        -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
fi
grep -q '^CORVANE_BUILD_FUZZ:BOOL=ON' "$build/CMakeCache.txt" ||
    die "$build is not a fuzz build (configure it with -DCORVANE_BUILD_FUZZ=ON and clang)" 2
ninja -C "$build" ${FUZZ_JOBS:+-j"$FUZZ_JOBS"} fuzz >/dev/null ||
    die "building the fuzz targets in $build failed"
[[ -s $build/fuzz-targets.txt ]] || die "$build has no fuzz targets (clang needed)"

declare -A dicts
while read -r name dict; do
    dicts[$name]=$dict
done <"$build/fuzz-targets.txt"
if ((${#targets[@]} == 0)); then
    mapfile -t targets < <(cut -d' ' -f1 "$build/fuzz-targets.txt")
fi
for t in "${targets[@]}"; do
    [[ -n ${dicts[$t]+x} ]] || die "no fuzz target $t (have: ${!dicts[*]})" 2
done

# UBSan stops at its first report, so the run fails on it like on a crash.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
if ((!leaks)); then
    # -detect_leaks=0 spares the inputs; this spares the check at exit.
    export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
fi
logs=$build/fuzz-logs findings=$build/fuzz-findings
mkdir -p "$logs" "$findings"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=()
printf '%-20s %12s %8s  %s\n' target executions exec/s result
for t in "${targets[@]}"; do
    if [[ $mode == smoke ]]; then
        corpus=$scratch/$t
    else
        corpus=$build/fuzz-corpus/$t
    fi
    mkdir -p "$corpus"
    # The smoke run is a gate, so it starts from a fixed seed: a red run can
    # be repeated with the same inputs. Long runs explore at random.
    seed=()
    [[ $mode == smoke ]] && seed=(-seed="${FUZZ_SEED:-1}")
    options=(-max_total_time="$seconds" "${seed[@]}" -timeout=10 -detect_leaks="$leaks" -print_final_stats=1
        -close_fd_mask=3 -artifact_prefix="$findings/$t-")
    if [[ ${dicts[$t]} != - ]]; then
        options+=(-dict="fuzz/${dicts[$t]}")
    fi
    # The program's own output (log lines, complaints) is closed off; the
    # log holds libFuzzer's lines and any sanitizer report.
    status=0
    "$build/bin/$t" "${options[@]}" "${extra[@]}" "$corpus" "fuzz/corpus/$t" >"$logs/$t.log" 2>&1 ||
        status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$t.log" | tail -1)
    speed=$(sed -n 's/^#[0-9]*.*exec\/s: \([0-9]*\).*/\1/p' "$logs/$t.log" | tail -1)
    if ((status != 0)) || grep -q -e 'runtime error:' -e '^==[0-9]*==ERROR' "$logs/$t.log"; then
        failed+=("$t")
        result="FAILED (exit $status), see $logs/$t.log"
    else
        result=ok
    fi
    printf '%-20s %12s %8s  %s\n' "$t" "${runs:-?}" "${speed:-?}" "$result"
done
if ((${#failed[@]})); then
    for t in "${failed[@]}"; do
        echo "--- $t" >&2
        grep -m1 -A25 -e '^==[0-9]*==ERROR' -e 'runtime error:' -e 'fuzz invariant broken' \
            -e 'deadly signal' "$logs/$t.log" >&2 || tail -20 "$logs/$t.log" >&2
    done
    die "${#failed[@]} of ${#targets[@]} fuzz targets failed: ${failed[*]}"
fi
