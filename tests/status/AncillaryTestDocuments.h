#pragma once

// Builders for ancillary status documents shared by the status tests.

#include "status/AncillaryStatusJsonData.h"

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace Corvane::Testing {

using Presence = AncEventJsonData::Presence;
inline constexpr Presence now = AncEventJsonData::Present;
inline constexpr Presence before = AncEventJsonData::PreviouslyPresent;
inline constexpr Presence never = AncEventJsonData::NotPresent;

inline AncTimeJsonData ancTime(int start, int end) {
    AncTimeJsonData t;
    t.setStartTime(start);
    t.setEndTime(end);
    return t;
}

// First seen (base, base + 1), last seen (base + 2, base + 3).
inline AncEventJsonData ancEvent(Presence presence, int base) {
    AncEventJsonData e;
    e.setHasOccurred(presence);
    e.setFirstSeen(ancTime(base, base + 1));
    e.setLastSeen(ancTime(base + 2, base + 3));
    return e;
}

// Each event has times of its own: presence from 10, checksum from 20,
// parity from 30, data block number from 40.
inline AncillaryStatusJsonData ancStatus(unsigned int vi, unsigned int type,
                                         Presence presence = now, Presence checksum = never,
                                         Presence parity = never, Presence dataBlock = never) {
    AncillaryStatusJsonData s;
    s.setycChannelNumber(vi);
    s.setPacketType(type);
    s.setPresence(ancEvent(presence, 10));
    s.setChecksumError(ancEvent(checksum, 20));
    s.setParityError(ancEvent(parity, 30));
    s.setDataBlockNumberError(ancEvent(dataBlock, 40));
    return s;
}

inline AncillaryStatusEntryJsonData ancEntry(int type, int did, int sdid,
                                             const QList<AncillaryStatusJsonData>& interfaces) {
    AncillaryStatusEntryJsonData e;
    e.setPacketType(type);
    e.setDataId(did);
    e.setSubDataId(sdid);
    e.getChannelArrayAsList() = interfaces;
    return e;
}

inline AncillaryStatusEntryArrayJsonData ancDocument(
    const QList<AncillaryStatusEntryJsonData>& entries) {
    AncillaryStatusEntryArrayJsonData d;
    d.getAncillaryStatusEntryArrayAsList() = entries;
    return d;
}

}  // namespace Corvane::Testing
