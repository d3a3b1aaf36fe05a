#!/usr/bin/env bash
# Soak of corvane-axid under valgrind on the simulated board: many clients
# one after another, thousands of register transactions and version
# requests, hostile inputs mixed in. Prints the figures at the end.
#
# Usage: scripts/soak.sh [massif|memcheck] [CLIENTS]      (defaults: massif 1000)
# Needs a build with corvane-axid, corvane-simboard and corvane-axi
# (CORVANE_BUILD_DIR, default build/). Uses port 9430: stop any daemon first.
# Writes valgrind's output to /tmp/corvane-soak (SOAK_OUT to change).
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-massif}
clients=${2:-1000}
build=${CORVANE_BUILD_DIR:-build}
out=${SOAK_OUT:-/tmp/corvane-soak}
bin=$(cd "$build/bin" && pwd)
axi="$bin/corvane-axi"
mkdir -p "$out"
out=$(cd "$out" && pwd)

case "$tool" in
  massif) vg=(valgrind --tool=massif --time-unit=ms --massif-out-file="$out/massif.out") ;;
  memcheck) vg=(valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect
                --errors-for-leak-kinds=definite --log-file="$out/memcheck.log") ;;
  *) echo "soak.sh: tool must be massif or memcheck" >&2; exit 2 ;;
esac

trap '' PIPE   # a write to a connection the daemon closed just fails
t0=$(date +%s%3N)
"$bin/corvane-simboard" --reg 4:4=0x4444 -- "${vg[@]}" "$bin/corvane-axid" \
  >"$out/daemon.log" 2>&1 &
board=$!
trap 'kill -TERM $board 2>/dev/null || true' EXIT

for _ in $(seq 1 300); do
  "$axi" --timeout 1000 version >/dev/null 2>&1 && break
  sleep 0.2
done
"$axi" version >/dev/null

transactions=1   # the version request above
connections=1
hostile=0

# Raw bytes on a fresh connection, closed at once.
send_raw() {
  exec 3<>/dev/tcp/127.0.0.1/9430
  printf "$1" >&3 || true
  exec 3>&-
  connections=$((connections + 1))
  hostile=$((hostile + 1))
}

for i in $(seq 1 "$clients"); do
  case $((i % 10)) in
    0) "$axi" read 4 0 64 >/dev/null; transactions=$((transactions + 64)) ;;
    1) "$axi" version >/dev/null; transactions=$((transactions + 1)) ;;
    2) "$axi" write 4 $((i % 4)) "$i" >/dev/null; transactions=$((transactions + 1)) ;;
    3) send_raw '\xff\x01\x02' ;;                                   # count 255, then gone
    4) send_raw '\x03\x00\x00\x00\x00\x01' ;;                       # truncated write
    5) send_raw '\x02\x07\x00\x00\x00\x00\x00\x00\x00' ;;           # unknown type 7
    6) send_raw '\x00' ;;                                           # count of zero
    7) send_raw '\x02\x04\x00\x00\x00\x09\x00\x00\x00\x02\x02\x00\x00\x00\x01\x00\x00\x00' ;;
    8) exec 3<>/dev/tcp/127.0.0.1/9430                              # random bytes
       head -c 512 /dev/urandom >&3 2>/dev/null || true
       exec 3>&-
       connections=$((connections + 1)); hostile=$((hostile + 1))
       continue ;;
    9) "$axi" read 40 0 >/dev/null; transactions=$((transactions + 1)) ;;  # outside the window
  esac
  case $((i % 10)) in 3|4|5|6|7) continue ;; esac
  connections=$((connections + 1))
  [ "$i" -eq 20 ] && warm=$(($(date +%s%3N) - t0))
done

# A long pipelined burst and a final check that the daemon still serves.
"$axi" read 0 0 5000 >/dev/null
transactions=$((transactions + 5000))
value=$("$axi" read 4 4)
transactions=$((transactions + 1))
connections=$((connections + 2))
[ "$value" = "4:0x00000004 = 0x00004444" ] ||
  { echo "soak.sh: daemon answered '$value'" >&2; exit 1; }

kill -TERM $board
wait $board || true
trap - EXIT

echo "clients: $connections connections ($hostile of them hostile)"
echo "transactions: $transactions answered or carried out"
if [ "$tool" = massif ]; then
  # Heap (useful + allocator overhead): the peak during start-up and the
  # first 20 clients, the peak over the whole run, and the last snapshot.
  awk -F= -v warm="${warm:-0}" '/^time=/ {time=$2} /^mem_heap_B/ {h=$2}
      /^mem_heap_extra_B/ {t=h+$2; if (time<=warm && t>before) before=t; if (t>peak) peak=t}
      END {printf "heap peak after 20 clients: %d bytes; peak over the run: %d bytes; at the end: %d bytes\n",
           before, peak, t}' "$out/massif.out"
  echo "details: ms_print $out/massif.out"
else
  grep -E "definitely lost|indirectly lost|ERROR SUMMARY" "$out/memcheck.log" | sed 's/^==[0-9]*== //'
fi
