#!/usr/bin/env bash
# Writes the fuzz targets' seed inputs (fuzz/corpus/<target>/) and the JSON
# dictionary (fuzz/json.dict) from the project's own formats. The output is
# committed; run this again after a format changes.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf corpus json.dict
mkdir -p corpus

seed() {  # seed <target> <name> <printf format>...
    mkdir -p "corpus/$1"
    local target=$1 name=$2
    shift 2
    printf "$@" >"corpus/$target/$name"
}

# A 32-bit word, least significant byte first (the register protocol).
le() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
# Big-endian 16 and 32-bit values (the datacore link, QDataStream).
be16() { printf '\\x%02x\\x%02x' $(($1 >> 8 & 255)) $(($1 & 255)); }
be32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) $(($1 >> 8 & 255)) $(($1 & 255)); }

# Register protocol: count byte, words. Write, read request, read response,
# version request and response, a short write, an unknown type, count 0.
write="\\x04$(le 0)$(le 2)$(le 16)$(le 258)"
read="\\x03$(le 1)$(le 2)$(le 16)"
version="\\x01$(le 3)"
for target in axi_wire_fuzz axid_receive_fuzz; do
    seed $target write-then-read "$write$read"
    seed $target version-twice "$version$version"
    seed $target responses "\\x04$(le 2)$(le 1)$(le 4)$(le 258)\\x02$(le 4)$(le 7)$read"
    seed $target short-write "\\x02$(le 0)$(le 1)$read"
    seed $target long-write "\\x06$(le 0)$(le 2)$(le 16)$(le 258)$(le 9)$(le 9)$read"
    seed $target unknown-type "\\x01$(le 5)$read"
    seed $target count-zero "\\x00$read"
    seed $target outside-window "\\x03$(le 1)$(le 32)$(le 0)"
done

# Datacore link frames: identifier, source instance, payload length, payload.
# Like le, these print printf formats: shell variables cannot hold the NULs.
frame() {  # frame <identifier> <source instance> <payload as a printf format>
    local length
    length=$(printf "$3" | wc -c)
    printf '%s%s%s%s' "$(be16 "$1")" "$(be16 "$2")" "$(be32 "$length")" "$3"
}
json_payload() {  # the JSON packet payload: length, then the text
    printf '%s%s' "$(be32 ${#1})" "$1"
}
datacore='{"Class":"DatacorePacket","ClientID":"1270000150000","PacketID":7,"Path":"status/input","Datacore":{"input":{"class":"Input","data":["1080p50","locked"],"reasonsForBeingInactive":[],"reasonsForBeingInvalid":[{"MessageBase":{"identifier":17,"type":2},"DatacoreValidStatusMessage":{}}]}}}'
tree='{"Class":"DatacorePathRadixTreePacket","ClientId":"1270000150000","StatusTreeObject":{"Core":"status","Kids":[{"Core":"input","Kids":[{"Core":"lane0"}]},{"Core":"output"}]},"ConfigTreeObject":{"Core":"config"}}'
seed connection_fuzz datacore "\\x00$(frame 0x1010 0 "$(json_payload "$datacore")")"
seed connection_fuzz path-tree "\\x05$(frame 0x1010 0 "$(json_payload "$tree")")"
seed connection_fuzz garbage-then-frame "\\x03\\x10\\x10\\x99$(frame 0x1010 0 "$(json_payload '{"Class":"x"}')")"
# Every packed identifier with a small payload of counts and values, so the
# fuzzer starts inside each packet class's reader.
packed="$(be32 2)$(be32 3)$(be32 1)$(be32 0x3ff00000)$(be32 0)$(be32 2)$(be32 0x40000000)$(be32 0)"
frames=""
for id in 0x1011 0x1012 0x1013 0x1014 0x1015 0x1016 0x1017 0x1018 0x1019 0x101a; do
    frames="$frames$(frame $id 0 "$packed")"
done
seed connection_fuzz packed-all "\\x00$frames$(frame 0x101b 1 "$packed")"
seed connection_fuzz empty-and-split "\\x07$(frame 0x1011 0 "")$(frame 0x1013 0 "$packed")"

# JSON packets, datacore JSON, messages and status documents.
seed json_packet_fuzz datacore "%s" "$datacore"
seed json_packet_fuzz path-tree "%s" "$tree"
seed json_packet_fuzz nested '{"Class":"Batch","One":{"Class":"A"},"Many":[{"Class":"B"},{"Class":""},3]}'

messages='[{"MessageBase":{"identifier":17,"type":2},"DatacoreValidStatusMessage":{}},{"MessageBase":{"identifier":3,"type":1},"DatacoreActiveStatusMessage":{}},{"MessageBase":{"identifier":4,"type":2},"DatacoreJsonMessage":{}},{"MessageBase":{}},7]'
seed messages_fuzz all-classes "%s" "$messages"
seed messages_fuzz one-object '{"MessageBase":{"identifier":-1,"type":3},"DatacoreJsonMessage":{}}'

# First byte: bit 0 data only, bits 1 up the path (0 root, 1 a, 2 a/c, 3 b).
seed datacore_json_fuzz root '\x00{"root":{"class":"Root","data":["1","2"],"reasonsForBeingInvalid":[{"MessageBase":{"identifier":17,"type":2},"DatacoreValidStatusMessage":{}}],"reasonsForBeingInactive":[],"a":{"data":"x","c":{"data":null}},"b":{"class":"Leaf","data":"y"}}}'
seed datacore_json_fuzz data-only '\x01{"root":{"data":"z","b":{"data":["p","q"]}}}'
seed datacore_json_fuzz child '\x04{"c":{"class":"DatacoreBase","data":"leaf","reasonsForBeingInactive":[{"MessageBase":{"identifier":2,"type":2},"DatacoreActiveStatusMessage":{}}]}}'
seed datacore_json_fuzz wrong-class '\x06{"b":{"class":"Other","data":"y"}}'

# First byte: 0 input, 1 lane, 2 entries, 3 statuses, 4 interfaces, 5 overview, 6 event.
lane='{"TotalHorizontalPixels":"2200","TotalVerticalPixelsProgressiveOrField1":"1125","TotalVerticalPixelsField2":"0","ActiveHorizontalPixels":"1920","ActiveVerticalPixelsProgressiveOrField1":"1080","ActiveVerticalPixelsField2":"0","IsProgressiveFlag":true,"IsLevelBFlag":false,"IsStableFlag":true,"Smpte352PacketLinkAchannelCpositionDetectedFlag":true,"Smpte352PacketLinkAchannelCPosition":"0x89CA0001"}'
event='{"presence":1,"firstSeen":{"startTime":10,"endTime":11},"lastSeen":{"startTime":12,"endTime":13}}'
status="{\"presence\":$event,\"checksumError\":$event,\"parityError\":{\"presence\":2},\"dataBlockNumberError\":{},\"virtualInterface\":1,\"packetType\":2}"
seed status_fuzz input '\x00{"LaneStatusArray":[%s,{}]}' "$lane"
seed status_fuzz lane '\x01%s' "$lane"
seed status_fuzz entries '\x02{"ancillaryStatusEntryArray":[{"packetType":2,"dataId":65,"subDataId":1,"virtualInterfaceArray":[%s]},{"packetType":1,"dataId":128,"subDataId":0}]}' "$status"
seed status_fuzz statuses '\x03{"ancillaryStatusArray":[%s]}' "$status"
seed status_fuzz interfaces '\x04{"virtualInterfaceArray":[%s,7]}' "$status"
seed status_fuzz overview '\x05{"ancillaryStatusOverviewArray":[{"key":16641,"state":2},{"key":70000,"state":-1}]}'
seed status_fuzz event '\x06%s' "$event"

# Payload identifiers: selector byte, then the word (byte 1 first). 1080p50
# 3G level A, a 2160p quad link set, a 720p word.
seed sdi_fuzz 1080p-3g '\x09\x89\xc9\x01\x01'
seed sdi_fuzz quad-link '\x0c\x98\xce\x01\x00\x0c\x98\xce\x01\x40\x0c\x98\xce\x01\x80\x0c\x98\xce\x01\xc0'
seed sdi_fuzz 720p '\x01\x88\x4a\x01\x00'

# Programmable-logic files: a bitstream header and a JEDEC file (the JEDEC
# target's first byte is the fuse row width).
seed bitfile_fuzz header '\x00\x09\x0f\xf0\x0f\xf0\x0f\xf0\x0f\xf0\x00\x00\x01a\x00\x0ctop;UserID\x00b\x00\x0cxc7z020clg\x00c\x00\x0b2026/12/07\x00d\x00\x0912:00:00\x00e\x00\x00\x00\x08\xff\xff\xff\xff\xaa\x99\x55\x66'
seed jedfile_fuzz fuses '\x08\x02design*\nQF16*\nF0*\nL0000 1010101011110000*\nC1234*\n\x031234'

# Register maps: the corvane-axi example (IP-XACT 2009) and a small 2014 one
# with an array, field resets and SystemVerilog numbers.
mkdir -p corpus/regmap_fuzz
cp ../tools/axi/examples/simboard.xml corpus/regmap_fuzz/example-2009.xml
seed regmap_fuzz small-2014 '<?xml version="1.0"?>\n<ipxact:component xmlns:ipxact="http://www.accellera.org/XMLSchema/IPXACT/1685-2014"><ipxact:name>c</ipxact:name><ipxact:memoryMaps><ipxact:memoryMap><ipxact:name>m</ipxact:name><ipxact:addressBlock><ipxact:name>b</ipxact:name><ipxact:baseAddress>4K</ipxact:baseAddress><ipxact:range>0x100</ipxact:range><ipxact:width>32</ipxact:width><ipxact:register><ipxact:name>r</ipxact:name><ipxact:dim>2</ipxact:dim><ipxact:addressOffset>32'"'"'h10</ipxact:addressOffset><ipxact:size>32</ipxact:size><ipxact:access>read-write</ipxact:access><ipxact:field><ipxact:name>f</ipxact:name><ipxact:bitOffset>4</ipxact:bitOffset><ipxact:resets><ipxact:reset><ipxact:value>'"'"'b1</ipxact:value></ipxact:reset></ipxact:resets><ipxact:bitWidth>2</ipxact:bitWidth><ipxact:modifiedWriteValue>oneToClear</ipxact:modifiedWriteValue><ipxact:enumeratedValues><ipxact:enumeratedValue><ipxact:name>ON</ipxact:name><ipxact:value>1</ipxact:value></ipxact:enumeratedValue></ipxact:enumeratedValues></ipxact:field></ipxact:register></ipxact:addressBlock></ipxact:memoryMap></ipxact:memoryMaps></ipxact:component>\n'

# corvane-webd: raw HTTP requests.
seed webd_request_fuzz get-datacore 'GET /api/v1/datacores/statusCoreRouter/input/sdi1/locked HTTP/1.1\r\nHost: x\r\n\r\n'
seed webd_request_fuzz put-datacore 'PUT /api/v1/datacores/configCoreRouter/generator/standard HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: 19\r\n\r\n{"data": ["a","b"]}'
seed webd_request_fuzz events 'GET /api/v1/events?prefix=configCoreRouter HTTP/1.1\r\nHost: x\r\nLast-Event-ID: 1\r\n\r\n'
seed webd_request_fuzz keep-alive 'OPTIONS /api/v1/ HTTP/1.1\r\nHost: x\r\n\r\nGET /api/v1/inputs/sdi2 HTTP/1.1\r\nHost: x\r\n\r\nGET /metrics HTTP/1.1\r\nHost: x\r\n\r\n'
seed webd_request_fuzz chunked-put 'PUT /api/v1/datacores/statusCoreRouter/input/sdi1/locked HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n{"dat\r\na\r\na": "no"}\r\n0\r\n\r\n'

# Dictionary: JSON syntax and every key the project's JSON readers look up,
# taken from their sources.
{
    for token in '{' '}' '[' ']' ':' ',' '"' 'null' 'true' 'false' '-1' '0' '1e9'; do
        printf 'kw="%s"\n' "$(printf '%s' "$token" | sed 's/\\/\\\\/g; s/"/\\"/g')"
    done
    cat ../src/packets/*.h ../src/datacore/*.h ../src/status/*.h |
        perl -0777 -ne 'print "$1\n" while /(?:Key|className|key|propertyNames\[\w+\]) = (\{[^;]*|"[^"]*")/g' |
        grep -oE '"[A-Za-z][A-Za-z0-9]*"' | sort -u | sed 's/^/kw=/'
} >json.dict
