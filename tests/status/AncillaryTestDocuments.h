#pragma once

// Builders for ancillary status documents, and a check of what all status
// documents share.

#include "status/AncillaryStatusJsonData.h"

#include <gtest/gtest.h>

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

// What every status document shares: its class name, the keys it writes
// against its table, a round trip, absent keys reading as the defaults, and
// property access where an invalid value and the count are refused and an
// index past the table is accepted and changes nothing.
template <class Doc>
void checkDocument(const Doc& full, const char* className) {
    SCOPED_TRACE(className);
    EXPECT_EQ(full.getClassName(), className);
    const QJsonObject written = full.toQJsonObject();
    QStringList keys;
    for (const char* name : Doc::propertyNames) {
        keys << QString::fromLatin1(name);
    }
    keys.sort();
    EXPECT_EQ(written.keys(), keys);  // sorted on both sides, so no key twice

    Doc back;
    back.fromValidQJsonObject(written);
    EXPECT_EQ(back.toQJsonObject(), written);
    Doc absent;  // lists read by appending, so absent keys need a fresh document
    absent.fromValidQJsonObject(QJsonObject());
    EXPECT_EQ(absent.toQJsonObject(), Doc().toQJsonObject());

    Doc doc = full;
    const auto past = static_cast<typename Doc::Properties>(Doc::PropertiesCount + 1);
    EXPECT_FALSE(doc.setDataForProperty(static_cast<typename Doc::Properties>(0), QVariant()));
    EXPECT_FALSE(doc.setDataForProperty(past, QVariant()));
    EXPECT_FALSE(doc.setDataForProperty(Doc::PropertiesCount, 1));
    EXPECT_TRUE(doc.setDataForProperty(past, 1));
    EXPECT_FALSE(doc.getDataForProperty(Doc::PropertiesCount).isValid());
    EXPECT_EQ(doc.toQJsonObject(), written);
}

}  // namespace Corvane::Testing
