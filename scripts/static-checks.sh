#!/usr/bin/env bash
# Static analysis of the project's own code: clang-tidy (checks in .clang-tidy)
# and cppcheck (suppressions in .cppcheck-suppressions), two jobs at a time.
# Prints one verdict line per tool; exits 1 on any finding.
# Usage: scripts/static-checks.sh [build-dir]   (default: build)
#
# Only src/ and tools/ are analysed: they are what ships. tests/, bench/ and
# fuzz/ would double the time (each file parses Qt and GoogleTest) for code
# whose faults show up as failing tests; their compile_commands entries are
# skipped when the build dir has them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
jobs=2
for tool in clang-tidy cppcheck python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "static-checks.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

if [ ! -f "$build/compile_commands.json" ]; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$build" -G Ninja "${launcher[@]}" >/dev/null
fi
# The one generated header the sources include that configuring does not
# write (GitInfo.h). No source includes moc output, so nothing is compiled.
cmake --build "$build" --target corvane_gitinfo >/dev/null

logs=$build/static-checks
mkdir -p "$logs"
status=0

# The project's own translation units, as a compile database of their own:
# cppcheck refuses a database naming files not generated yet (moc output).
python3 - "$build/compile_commands.json" "$root" "$logs" <<'EOF'
import json, sys
database, root, logs = sys.argv[1:]
own = [e for e in json.load(open(database))
       if e["file"].startswith((root + "/src/", root + "/tools/"))]
json.dump(own, open(logs + "/compile_commands.json", "w"), indent=1)
open(logs + "/files", "w").write("".join(sorted(e["file"] + "\n" for e in own)))
EOF
count=$(wc -l <"$logs/files")

# clang-tidy: every finding is an error (WarningsAsErrors in .clang-tidy).
if xargs -a "$logs/files" -P "$jobs" -n 1 clang-tidy -p "$build" --quiet \
  >"$logs/clang-tidy.log" 2>"$logs/clang-tidy.err"; then
  echo "clang-tidy: clean ($count files)"
else
  # A finding in a header shows once per file that includes it: count it once.
  grep -hE ': (warning|error):' "$logs/clang-tidy.log" "$logs/clang-tidy.err" | sort -u \
    >"$logs/clang-tidy.findings" || true
  cat "$logs/clang-tidy.findings" >&2
  findings=$(wc -l <"$logs/clang-tidy.findings")
  echo "clang-tidy: FAILED, $findings findings in $count files (full output in $logs/clang-tidy.log)"
  status=1
fi

# cppcheck: faults and portability, not style. Its build dir keeps results of
# unchanged files between runs.
mkdir -p "$logs/cppcheck-cache"
if cppcheck --project="$logs/compile_commands.json" -j "$jobs" \
  --cppcheck-build-dir="$logs/cppcheck-cache" \
  --enable=warning,performance,portability --library=qt --library=posix \
  --inline-suppr --suppressions-list=.cppcheck-suppressions \
  --error-exitcode=1 --quiet --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
  2>"$logs/cppcheck.log"; then
  echo "cppcheck: clean ($count files)"
else
  cat "$logs/cppcheck.log" >&2
  findings=$(grep -cE ': (error|warning|performance|portability|style|information):' \
    "$logs/cppcheck.log" || true)
  echo "cppcheck: FAILED, $findings findings in $count files (output in $logs/cppcheck.log)"
  status=1
fi
exit "$status"
