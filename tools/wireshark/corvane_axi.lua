-- Wireshark dissector for the AXI register protocol of corvane-axid (TCP 9430).
--
-- A packet is a count byte N followed by N 32-bit words, least significant
-- byte first. Word 0 is the transaction type; the words after it are the
-- transaction's fields. Both directions use the same format.
--
-- Install: copy or symlink into ~/.local/lib/wireshark/plugins/, or load with
-- `tshark -X lua_script:corvane_axi.lua`.

local axi = Proto("corvane_axi", "Corvane AXI register protocol")

-- Name and field words (after the type) of each transaction type.
local transactions = {
    [0] = { name = "Write", fields = { "base", "offset", "value" } },
    [1] = { name = "Read request", fields = { "base", "offset" } },
    [2] = { name = "Read response", fields = { "base", "offset", "value" } },
    [3] = { name = "Version request", fields = {} },
    [4] = { name = "Version response", fields = { "version" } },
}

local typeNames = {}
for code, t in pairs(transactions) do
    typeNames[code] = t.name
end

local f = {
    count = ProtoField.uint8("corvane_axi.count", "Word count"),
    type = ProtoField.uint32("corvane_axi.type", "Transaction type", base.DEC, typeNames),
    base = ProtoField.uint32("corvane_axi.base", "Base", base.HEX),
    offset = ProtoField.uint32("corvane_axi.offset", "Offset", base.HEX),
    value = ProtoField.uint32("corvane_axi.value", "Value", base.HEX),
    version = ProtoField.uint32("corvane_axi.version", "Mezzanine version"),
    word_index = ProtoField.uint64("corvane_axi.word_index", "Word index", base.HEX),
    extra = ProtoField.uint32("corvane_axi.extra", "Unused word", base.HEX),
}
axi.fields = f

local e = {
    short = ProtoExpert.new("corvane_axi.short", "Packet has fewer words than its type needs",
        expert.group.MALFORMED, expert.severity.ERROR),
    unknown = ProtoExpert.new("corvane_axi.unknown", "Unknown transaction type",
        expert.group.MALFORMED, expert.severity.ERROR),
    empty = ProtoExpert.new("corvane_axi.empty", "Packet without words",
        expert.group.MALFORMED, expert.severity.ERROR),
    extra = ProtoExpert.new("corvane_axi.extra_words", "Words beyond the transaction's fields",
        expert.group.PROTOCOL, expert.severity.NOTE),
}
axi.experts = e

-- Packets of one segment are listed in the info column separated by commas.
local function appendInfo(pinfo, text)
    local separator = tostring(pinfo.cols.info) ~= "" and ", " or ""
    pinfo.cols.info:append(separator .. text)
end

local function packetLength(tvb, pinfo, offset)
    return 1 + 4 * tvb(offset, 1):uint()
end

local function dissectPacket(tvb, pinfo, tree)
    local n = tvb(0, 1):uint()
    local item = tree:add(axi, tvb())
    item:add(f.count, tvb(0, 1))
    pinfo.cols.protocol = "CORVANE-AXI"

    if n == 0 then
        item:add_proto_expert_info(e.empty)
        appendInfo(pinfo, "Empty packet")
        return tvb:len()
    end

    local code = tvb(1, 4):le_uint()
    item:add_le(f.type, tvb(1, 4))
    local t = transactions[code]
    if t == nil then
        item:add_proto_expert_info(e.unknown, "Unknown transaction type " .. code)
        appendInfo(pinfo, "Unknown type " .. code)
        return tvb:len()
    end
    item:append_text(": " .. t.name)

    local values = {}
    local summary = { t.name }
    for i, name in ipairs(t.fields) do
        if i >= n then
            item:add_proto_expert_info(e.short, string.format("%s needs %d words, packet has %d",
                t.name, #t.fields + 1, n))
            appendInfo(pinfo, table.concat(summary, " ") .. " [short]")
            return tvb:len()
        end
        local range = tvb(1 + 4 * i, 4)
        values[name] = range:le_uint()
        item:add_le(f[name], range)
        summary[#summary + 1] = string.format("%s=0x%x", name, values[name])
    end

    if values.base ~= nil then
        -- The register's word index in the FPGA window: base selects a block
        -- of 65536 registers, only the low 16 bits of the offset count.
        local low = (values.offset % 65536) + (values.base % 65536) * 65536
        local high = math.floor(values.base / 65536)
        item:add(f.word_index, tvb(5, 8), UInt64.new(low, high)):set_generated()
        summary[#summary + 1] = string.format("index=0x%x", values.base * 65536 + values.offset % 65536)
    end

    if n > #t.fields + 1 then
        for i = #t.fields + 1, n - 1 do
            item:add_le(f.extra, tvb(1 + 4 * i, 4))
        end
        item:add_proto_expert_info(e.extra)
    end
    appendInfo(pinfo, table.concat(summary, " "))
    return tvb:len()
end

function axi.dissector(tvb, pinfo, tree)
    pinfo.cols.info:clear()
    dissect_tcp_pdus(tvb, tree, 1, packetLength, dissectPacket)
    return tvb:len()
end

-- AxiTcpServer::defaultPort (src/axi/AxiTcpServer.h)
DissectorTable.get("tcp.port"):add(9430, axi)
