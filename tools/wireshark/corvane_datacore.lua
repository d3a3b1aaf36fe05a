-- Wireshark dissector for the datacore link between corvane-datacored (or an
-- instrument) and its clients (TCP 9431 by default; see the "TCP port"
-- preference).
--
-- Every packet travels as a frame: an 8-byte big-endian header (packet
-- identifier, source instance identifier, signed payload length) and the
-- payload. Identifier 0x1010 carries a 4-byte big-endian length and compact
-- UTF-8 JSON; the others carry packed big-endian measurement values, floats
-- as 8-byte doubles. Bytes that do not start a valid header are skipped one
-- at a time, as the client does, and shown as garbage.
--
-- Install: copy or symlink into ~/.local/lib/wireshark/plugins/, or load with
-- `tshark -X lua_script:corvane_datacore.lua`.

local dc = Proto("corvane_datacore", "Corvane datacore link")

local defaultPort = 9431  -- ServerCommon::defaultPort (src/client/ServerCommon.h)
local headerBytes = 8
local firstId, lastId = 0x1010, 0x101B
-- The client treats a longer payload as garbage rather than wait for it.
local maxPayload = 128 * 1024 * 1024

local packetNames = {
    [0x1010] = "SerialisableDataPacket",
    [0x1011] = "EyeVerticalHistogramData",
    [0x1012] = "EyeHorizontalHistogramData",
    [0x1013] = "PpmMetersData",
    [0x1014] = "PeakHoldMetersData",
    [0x1015] = "PhaseMetersData",
    [0x1016] = "InstantPeakDbMetersData",
    [0x1017] = "InstantPeakLinearMetersData",
    [0x1018] = "ST337DolbyDetectData",
    [0x1019] = "RawSdiSampleGridPacket",
    [0x101A] = "RawSdiJitterSpectrumDataPacket",
    [0x101B] = "VideoIpIpatHistogramPacket",
}

local windowNames = { [0] = "Rectangular", "Hann", "Hamming", "Blackman-Harris", "Flat top" }
local bandwidthNames = { [0] = "10 Hz", "100 Hz", "1 kHz", "10 kHz", "100 kHz", "1 MHz" }

local function field(kind, name, label, ...)
    return ProtoField[kind]("corvane_datacore." .. name, label, ...)
end

local f = {
    id = field("uint16", "id", "Packet identifier", base.HEX, packetNames),
    source = field("uint16", "source", "Source instance"),
    length = field("int32", "length", "Payload length"),
    json_length = field("uint32", "json_length", "JSON length"),
    class = field("string", "class", "Class"),
    path = field("string", "path", "Path"),
    garbage = field("bytes", "garbage", "Garbage"),
    trailing = field("bytes", "trailing", "Unread payload"),
    -- audio meters
    sequence = field("uint32", "sequence", "Sequence number"),
    pair_presence = field("uint32", "pair_presence", "Pair presence bits", base.HEX),
    count = field("uint32", "count", "Entry count"),
    channel = field("uint32", "channel", "Channel"),
    group = field("int32", "group", "Group"),
    overload = field("int32", "overload_count", "Overload count"),
    ballistics = field("int32", "ballistics", "Ballistics"),
    value_double = field("double", "value", "Value"),
    value_int = field("int32", "value_int", "Value"),
    -- ST 337 detection
    channel_pair = field("uint32", "channel_pair", "Channel pair"),
    data_type = field("int32", "data_type", "Data type"),
    data_mode = field("int32", "data_mode", "Data mode"),
    burst_length = field("int32", "burst_length", "Burst length (bits)"),
    data_stream_number = field("uint16", "data_stream_number", "Data stream number"),
    error_flag = field("uint16", "error_flag", "Error flag"),
    type_dependent = field("uint32", "type_dependent", "Type-dependent bits", base.HEX),
    detected = field("uint8", "detected", "Detected"),
    locked = field("uint8", "locked", "Locked"),
    bit_depth = field("uint8", "bit_depth", "Bit depth"),
    burst_offset = field("int8", "burst_offset", "Burst offset (frames)"),
    -- histograms
    bin = field("uint32", "bin", "Bin"),
    -- sample grid
    rows = field("uint32", "rows", "Rows"),
    samples_per_row = field("uint32", "samples_per_row", "Samples per row"),
    list_length = field("uint32", "list_length", "Interface list length"),
    interface = field("uint32", "interface", "Interface", base.HEX),
    line = field("int32", "line", "Line"),
    first_sample = field("int32", "first_sample", "First sample"),
    sample_step = field("int32", "sample_step", "Sample step"),
    link = field("int32", "link", "Link"),
    data_stream = field("int32", "data_stream", "Data stream"),
    field_number = field("int32", "field", "Field"),
    flags = field("uint32", "flags", "Flags", base.HEX),
    sample = field("uint32", "sample", "Sample", base.HEX),
    -- jitter spectrum
    frequency = field("double", "frequency", "Frequency (Hz)"),
    amplitude = field("double", "amplitude", "Amplitude (UI)"),
    peak_hold = field("double", "peak_hold", "Peak hold (UI)"),
    window = field("uint32", "window", "Window function", base.DEC, windowNames),
    overlap = field("uint8", "overlap", "Overlap"),
    bandwidth = field("uint32", "bandwidth", "FFT bandwidth", base.DEC, bandwidthNames),
    -- IP arrival time histogram
    bin_width = field("int32", "bin_width", "Bin width (ns)"),
    first_bin = field("int32", "first_bin", "First bin (ns)"),
    packet_count = field("int64", "packet_count", "Packet count"),
    minimum = field("int32", "minimum", "Minimum (ns)"),
    maximum = field("int32", "maximum", "Maximum (ns)"),
    mean = field("int32", "mean", "Mean (ns)"),
    overflow = field("int32", "overflow", "Beyond the last bin"),
}
local fieldList = {}
for _, v in pairs(f) do
    fieldList[#fieldList + 1] = v
end
dc.fields = fieldList

local e = {
    garbage = ProtoExpert.new("corvane_datacore.garbage.expert", "Garbage between frames",
        expert.group.MALFORMED, expert.severity.WARN),
    short = ProtoExpert.new("corvane_datacore.short", "Payload shorter than its fields",
        expert.group.MALFORMED, expert.severity.ERROR),
    count = ProtoExpert.new("corvane_datacore.count_exceeds", "Count promises more than the payload holds",
        expert.group.MALFORMED, expert.severity.ERROR),
    trailing = ProtoExpert.new("corvane_datacore.trailing.expert", "Payload bytes beyond the fields",
        expert.group.PROTOCOL, expert.severity.NOTE),
    json_length = ProtoExpert.new("corvane_datacore.json_length.expert",
        "JSON length differs from the payload (the receiver parses up to the payload's end)",
        expert.group.PROTOCOL, expert.severity.WARN),
}
dc.experts = e

-- Reads consecutive big-endian fields from a payload into a tree, flagging
-- a payload that ends early instead of throwing.
local Reader = {}
Reader.__index = Reader

-- Starts at the payload of `frame`.
local function newReader(frame, tree)
    return setmetatable({ tvb = frame, tree = tree, pos = headerBytes, ok = true }, Reader)
end

function Reader:left()
    return self.tvb:len() - self.pos
end

-- Adds one field of `size` bytes; nil once the payload has run out.
function Reader:add(fld, size, tree)
    if not self.ok then
        return nil
    end
    if self:left() < size then
        self.ok = false
        self.tree:add_proto_expert_info(e.short)
        return nil
    end
    local range = self.tvb(self.pos, size)
    self.pos = self.pos + size
    local item = (tree or self.tree):add(fld, range)
    return range, item
end

-- Adds a sequence of { field, size } pairs under `tree`.
function Reader:addLayout(layout, tree)
    for _, entry in ipairs(layout) do
        if self:add(entry[1], entry[2], tree) == nil then
            return false
        end
    end
    return true
end

-- Reads a 32-bit count and returns how many entries of `entryBytes` the
-- rest of the payload really holds (never more than the count).
function Reader:count(fld, entryBytes)
    local range, item = self:add(fld, 4)
    if range == nil then
        return 0
    end
    local declared = range:uint()
    local fits = entryBytes > 0 and math.floor(self:left() / entryBytes) or declared
    if declared > fits then
        item:add_proto_expert_info(e.count)
        return fits
    end
    return declared
end

local function layoutBytes(layout)
    local n = 0
    for _, entry in ipairs(layout) do
        n = n + entry[2]
    end
    return n
end

-- A counted list of entries, each a subtree of `layout` (or one field).
function Reader:addList(countField, label, layout)
    local bytes = layoutBytes(layout)
    for i = 1, self:count(countField, bytes) do
        local sub = nil
        if #layout > 1 then
            sub = self.tree:add(self.tvb(self.pos, bytes), label .. " " .. i)
        end
        self:addLayout(layout, sub)
    end
end

local meterHeader = { { f.sequence, 4 }, { f.pair_presence, 4 } }
local function meterLayout(valueField, valueBytes)
    return { { f.channel, 4 }, { f.group, 4 }, { f.overload, 4 }, { f.ballistics, 4 }, { valueField, valueBytes } }
end
local st337Layout = {
    { f.channel_pair, 4 }, { f.data_type, 4 }, { f.data_mode, 4 }, { f.burst_length, 4 },
    { f.data_stream_number, 2 }, { f.error_flag, 2 }, { f.type_dependent, 4 },
    { f.detected, 1 }, { f.locked, 1 }, { f.bit_depth, 1 }, { f.burst_offset, 1 },
}
local gridRowLayout = {
    { f.line, 4 }, { f.first_sample, 4 }, { f.sample_step, 4 }, { f.link, 4 },
    { f.data_stream, 4 }, { f.field_number, 4 }, { f.flags, 4 },
}
local ipatLayout = {
    { f.bin_width, 4 }, { f.first_bin, 4 }, { f.packet_count, 8 }, { f.minimum, 4 },
    { f.maximum, 4 }, { f.mean, 4 }, { f.overflow, 4 },
}

local function meters(layout)
    return function(r)
        if r:addLayout(meterHeader) then
            r:addList(f.count, "Reading", layout)
        end
    end
end

local function histogram(r)
    r:addList(f.count, "Bin", { { f.bin, 4 } })
end

local function sampleGrid(r)
    local rows = r:add(f.rows, 4)
    local perRow = r:add(f.samples_per_row, 4)
    if rows == nil or perRow == nil then
        return
    end
    r:addList(f.list_length, "Interface", { { f.interface, 4 } })
    local samples = perRow:uint()
    local rowBytes = layoutBytes(gridRowLayout) + 4 * samples
    local n = math.min(rows:uint(), math.floor(r:left() / rowBytes))
    if n < rows:uint() then
        r.tree:add_proto_expert_info(e.count)
    end
    for i = 1, n do
        local sub = r.tree:add(r.tvb(r.pos, rowBytes), "Row " .. i)
        r:addLayout(gridRowLayout, sub)
        for _ = 1, samples do
            r:add(f.sample, 4, sub)
        end
    end
end

local function jitterSpectrum(r)
    for _, series in ipairs({ f.frequency, f.amplitude, f.peak_hold }) do
        r:addList(f.count, "Value", { { series, 8 } })
    end
    r:addLayout({ { f.window, 4 }, { f.overlap, 1 }, { f.bandwidth, 4 } })
end

local function ipatHistogram(r)
    if r:addLayout(ipatLayout) then
        for _ = 1, 64 do
            r:add(f.bin, 4)
        end
    end
end

local measurements = {
    [0x1011] = histogram,
    [0x1012] = histogram,
    [0x1013] = meters(meterLayout(f.value_double, 8)),
    [0x1014] = meters(meterLayout(f.value_double, 8)),
    [0x1015] = meters(meterLayout(f.value_double, 8)),
    [0x1016] = meters(meterLayout(f.value_double, 8)),
    [0x1017] = meters(meterLayout(f.value_int, 4)),
    [0x1018] = meters(st337Layout),
    [0x1019] = sampleGrid,
    [0x101A] = jitterSpectrum,
    [0x101B] = ipatHistogram,
}

-- JSON string starting at the quote at `i`: its (unescaped) text and the
-- position after the closing quote.
local escapes = { n = "\n", t = "\t", r = "\r", b = "\b", f = "\f" }
local function readString(text, i)
    local out = {}
    local j = i + 1
    while j <= #text do
        local c = text:sub(j, j)
        if c == '"' then
            return table.concat(out), j + 1
        elseif c == "\\" then
            local nextChar = text:sub(j + 1, j + 1)
            out[#out + 1] = escapes[nextChar] or nextChar
            j = j + 2
        else
            out[#out + 1] = c
            j = j + 1
        end
    end
    return table.concat(out), j
end

-- The string value of `key` among the members of the top-level object
-- (nested packets carry their own "Class", which must not be taken).
local function topLevelString(text, key)
    local depth, i = 0, 1
    while i <= #text do
        local c = text:sub(i, i)
        if c == "{" or c == "[" then
            depth = depth + 1
            i = i + 1
        elseif c == "}" or c == "]" then
            depth = depth - 1
            i = i + 1
        elseif c == '"' then
            local s, j = readString(text, i)
            local colon = text:find("%S", j)
            if depth == 1 and colon ~= nil and text:sub(colon, colon) == ":" and s == key then
                local v = text:find("%S", colon + 1)
                if v ~= nil and text:sub(v, v) == '"' then
                    return (readString(text, v))
                end
                return nil
            end
            i = j
        else
            i = i + 1
        end
    end
    return nil
end

local json = Dissector.get("json")

-- The JSON packet; returns its text for the info column.
local function dissectJson(r, pinfo)
    local lengthRange = r:add(f.json_length, 4)
    if lengthRange == nil then
        return "SerialisableDataPacket (no JSON)"
    end
    if lengthRange:uint() ~= r:left() then
        r.tree:add_proto_expert_info(e.json_length)
    end
    if r:left() == 0 then
        return "SerialisableDataPacket (no JSON)"
    end
    local textRange = r.tvb(r.pos)
    r.pos = r.tvb:len()
    local text = textRange:string(ENC_UTF_8)
    local class = topLevelString(text, "Class")
    local path = topLevelString(text, "Path")
    if class ~= nil then
        r.tree:add(f.class, textRange, class):set_generated()
        r.tree:append_text(", " .. class)
    end
    if path ~= nil then
        r.tree:add(f.path, textRange, path):set_generated()
    end
    json:call(textRange:tvb(), pinfo, r.tree)
    if class == nil or class == "" then
        return "SerialisableDataPacket (no class)"
    end
    return path ~= nil and (class .. " " .. path) or class
end

-- One complete frame; returns its text for the info column.
local function dissectFrame(frame, pinfo, tree)
    local id = frame(0, 2):uint()
    local item = tree:add(dc, frame())
    item:add(f.id, frame(0, 2))
    item:add(f.source, frame(2, 2))
    item:add(f.length, frame(4, 4))
    item:append_text(": " .. packetNames[id])
    local r = newReader(frame, item)
    local info = packetNames[id]
    if id == firstId then
        info = dissectJson(r, pinfo)
    else
        measurements[id](r)
    end
    if r.ok and r:left() > 0 then
        item:add(f.trailing, frame(r.pos)):add_proto_expert_info(e.trailing)
    end
    return info
end

local function validHeader(tvb, offset)
    local id = tvb(offset, 2):uint()
    local length = tvb(offset + 4, 4):int()
    return id >= firstId and id <= lastId and length >= 0 and length <= maxPayload
end

function dc.dissector(tvb, pinfo, tree)
    local len = tvb:len()
    local offset = 0
    local infos = {}
    while offset < len do
        -- Resynchronise one byte at a time, as the client does.
        local start = offset
        while len - offset >= headerBytes and not validHeader(tvb, offset) do
            offset = offset + 1
        end
        if offset > start then
            tree:add(f.garbage, tvb(start, offset - start)):add_proto_expert_info(e.garbage)
            infos[#infos + 1] = string.format("Garbage (%d bytes)", offset - start)
        end
        if len - offset < headerBytes then
            if offset < len then
                pinfo.desegment_offset = offset
                pinfo.desegment_len = DESEGMENT_ONE_MORE_SEGMENT
            end
            break
        end
        local frameBytes = headerBytes + tvb(offset + 4, 4):int()
        if len - offset < frameBytes then
            pinfo.desegment_offset = offset
            pinfo.desegment_len = frameBytes - (len - offset)
            break
        end
        infos[#infos + 1] = dissectFrame(tvb(offset, frameBytes):tvb(), pinfo, tree)
        offset = offset + frameBytes
    end
    if #infos > 0 then
        pinfo.cols.protocol = "CORVANE-DC"
        -- After a reassembled frame TCP fences what that frame wrote; the
        -- frames that follow in the segment go after it.
        pinfo.cols.info:clear()
        local separator = tostring(pinfo.cols.info) ~= "" and ", " or ""
        pinfo.cols.info:append(separator .. table.concat(infos, ", "))
    end
    return len
end

dc.prefs.port = Pref.uint("TCP port", defaultPort, "TCP port of the datacore link")

local registeredPort = nil
local function registerPort()
    local ports = DissectorTable.get("tcp.port")
    if registeredPort ~= nil then
        ports:remove(registeredPort, dc)
    end
    registeredPort = dc.prefs.port
    ports:add(registeredPort, dc)
end
dc.prefs_changed = registerPort
registerPort()
