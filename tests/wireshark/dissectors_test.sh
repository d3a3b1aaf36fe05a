#!/usr/bin/env bash
# Captures corvane-axi against the daemon on a simulated board and
# corvane-datacore against corvane-datacored on loopback, and checks what the
# Lua dissectors make of it; a crafted capture adds what the programs never
# send: garbage between frames, a measurement packet split across segments,
# malformed register packets.
# Usage: dissectors_test.sh BIN_DIR DISSECTOR_DIR   (exit 77: skipped)
set -uo pipefail
bin=$1
lua=$2
axiport=9430       # AxiTcpServer::defaultPort (src/axi/AxiTcpServer.h)
datacoreport=9431  # ServerCommon::defaultPort (src/client/ServerCommon.h)

skip() {
    echo "SKIPPED: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "capturing on lo needs root"
for tool in tshark dumpcap text2pcap; do
    command -v "$tool" > /dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2> /dev/null && wait "$pid" 2> /dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
die() {
    echo "FAIL: $*"
    exit 1
}
# Waits up to 10 s for TEXT to appear in FILE.
await() {
    for _ in $(seq 100); do
        grep -q "$2" "$1" 2> /dev/null && return 0
        sleep 0.1
    done
    die "no '$2' in $1: $(cat "$1")"
}

"$bin/corvane-datacored" --port 0 > /dev/null 2> "$work/datacored.log" &
pids+=($!)
await "$work/datacored.log" "serving"
dcport=$(sed -n 's/.* on [^ ]*:\([0-9]*\)$/\1/p' "$work/datacored.log")

"$bin/corvane-simboard" --mezzanine 5 --reg 2:0x10=0x1234 > "$work/daemon.log" 2>&1 &
pids+=($!)
await "$work/daemon.log" "Waiting for connection"
! grep -q "could not start" "$work/daemon.log" || die "port $axiport is taken by another program"

dumpcap -q -i lo -f "tcp port $axiport or tcp port $dcport" -w "$work/live.pcapng" 2> "$work/dumpcap.log" &
dumpcap=$!
pids+=("$dumpcap")
await "$work/dumpcap.log" "File:"

"$bin/corvane-axi" read 2 0x10 > /dev/null || die "corvane-axi read"
"$bin/corvane-axi" write 2 0x10 0xcafe || die "corvane-axi write"
"$bin/corvane-axi" version > /dev/null || die "corvane-axi version"
"$bin/corvane-datacore" --port "$dcport" get configCoreRouter/analyser/inputSelect > /dev/null ||
    die "corvane-datacore get"
# The kernel hands packets to dumpcap in blocks; stop only once both ends'
# FINs of the datacore connection, the last traffic, are in the file.
for _ in $(seq 50); do
    fins=$(tshark -r "$work/live.pcapng" -Y "tcp.flags.fin == 1 && tcp.port == $dcport" 2> /dev/null | wc -l)
    [ "$fins" -ge 2 ] && break
    sleep 0.2
done
kill -INT "$dumpcap"
wait "$dumpcap"

# Crafted streams: three garbage bytes, a PpmMetersData frame split after 10
# of its bytes, nine more garbage bytes and an eye histogram whose count
# promises more bins than it carries; a write with only 2 words and a packet
# of unknown type 7.
ppm="10 13 00 00 00 00 00 24  00 00 00 07 00 00 00 03 00 00 00 01
     00 00 00 01 00 00 00 02 00 00 00 00 00 00 00 05 3f e0 00 00 00 00 00 00"
eye="10 11 00 00 00 00 00 0c  00 00 03 e8 00 00 00 01 00 00 00 02"
read -ra bytes <<< "$(echo $ppm)"
printf '0000 00 01 02 %s\n0000 %s ff ff ff ff ff ff ff ff ff %s\n' \
    "${bytes[*]:0:10}" "${bytes[*]:10}" "$eye" > "$work/datacore.txt"
printf '0000 02 00 00 00 00 05 00 00 00 01 07 00 00 00\n' > "$work/axi.txt"
text2pcap -q -T 40000,$datacoreport "$work/datacore.txt" "$work/datacore.pcapng" > /dev/null &&
    text2pcap -q -T 40000,$axiport "$work/axi.txt" "$work/axi.pcapng" > /dev/null || die "text2pcap"

failed=0
# check CAPTURE FILTER FIELDS EXPECTED: some frame matching FILTER shows the
# fields as EXPECTED (tab-separated; a single field's values per frame are
# taken one by one).
check() {
    local options=(-X "lua_script:$lua/corvane_axi.lua" -X "lua_script:$lua/corvane_datacore.lua")
    [ "$1" = live ] && options+=(-o "corvane_datacore.port:$dcport")
    local fields=() out
    for f in $3; do fields+=(-e "$f"); done
    out=$(tshark -r "$work/$1.pcapng" "${options[@]}" -Y "$2" -T fields "${fields[@]}" 2>&1)
    [[ "$3" == *" "* ]] || out=$(tr ',' '\n' <<< "$out")
    if grep -qxF -- "$4" <<< "$out"; then
        echo "ok: $2"
    else
        echo "FAIL: $2 -> $3: expected '$4', got '${out:0:400}'"
        failed=1
    fi
}
tab=$'\t'
check live "corvane_axi.type == 1 && corvane_axi.base == 2" "corvane_axi.offset corvane_axi.word_index" \
    "0x00000010${tab}0x0000000000020010"
check live "corvane_axi.type == 2 && corvane_axi.base == 2" \
    "corvane_axi.offset corvane_axi.value corvane_axi.word_index" \
    "0x00000010${tab}0x00001234${tab}0x0000000000020010"
check live "corvane_axi.type == 0" "corvane_axi.base corvane_axi.offset corvane_axi.value" \
    "0x00000002${tab}0x00000010${tab}0x0000cafe"
check live "corvane_axi.type == 4" "corvane_axi.version" "5"
check live "corvane_datacore" "corvane_datacore.class" "DatacorePathRadixTreePacket"
check live 'corvane_datacore.class == "DatacorePacket"' "corvane_datacore.path" \
    "configCoreRouter/analyser/inputSelect"
# The server's initial burst puts several frames into one segment.
check live "count(corvane_datacore.id) > 1" "corvane_datacore.class" "DatacorePacket"
check datacore "corvane_datacore.garbage" "corvane_datacore.garbage" "000102"
check datacore "corvane_datacore.id == 0x1013 && tcp.reassembled.length" \
    "corvane_datacore.garbage corvane_datacore.sequence corvane_datacore.pair_presence corvane_datacore.value" \
    "ffffffffffffffffff${tab}7${tab}0x00000003${tab}0.5"
check datacore "corvane_datacore.count_exceeds" "corvane_datacore.count" "1000"
check axi "corvane_axi.short && corvane_axi.unknown" "corvane_axi.type" "7"
exit "$failed"
