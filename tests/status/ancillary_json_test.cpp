#include "AncillaryTestDocuments.h"

#include <gtest/gtest.h>

using namespace Corvane;
using namespace Corvane::Testing;

namespace {

AncillaryStatusJsonData status(unsigned int vi, unsigned int type) {
    return ancStatus(vi, type, now, before, now, before);
}

AncillaryStatusEntryJsonData entry(int type, int did, int sdid) {
    return ancEntry(type, did, sdid, {status(1, type), status(9, type)});
}

}  // namespace

TEST(AncillaryDocuments, RoundTripKeysAndAbsentKeys) {
    checkDocument(ancTime(-5, 70000), "AncTimeJsonData");
    checkDocument(ancEvent(before, 3), "AncEventJsonData");
    checkDocument(status(12, 1), "AncillaryStatusJsonData");
    checkDocument(entry(2, 0x41, 0x05), "AncillaryStatusEntryJsonData");

    AncillaryStatusArrayJsonData statuses;
    statuses.getAncillaryStatusArrayAsList() << status(0, 1) << status(3, 2);
    checkDocument(statuses, "AncillaryStatusArrayJsonData");
    VirtualInterfaceArrayJsonData interfaces;
    interfaces.getVirtualInterfaceArrayAsList() << status(8, 1);
    checkDocument(interfaces, "VirtualInterfaceArrayJsonData");
    AncillaryStatusEntryArrayJsonData entries;
    entries.getAncillaryStatusEntryArrayAsList() << entry(1, 0xE7, 0) << entry(2, 0x60, 0x60);
    checkDocument(entries, "AncillaryStatusEntryArrayJsonData");

    AncillaryStatusOverviewJsonData overview;
    overview.setKey(0x0141);
    overview.setState(0xFFFF);
    checkDocument(overview, "AncStatusOverview");
    AncillaryStatusOverviewArrayJsonData overviews;
    overviews.getAncillaryStatusOverviewArrayAsList() << overview << overview;
    checkDocument(overviews, "AncStatusOverviewArray");
}

TEST(AncillaryDocuments, PacketTypeDecidesTheTypeSpecificKeys) {
    const QJsonObject type1 = status(0, 1).toQJsonObject();
    const QJsonObject type2 = status(0, 2).toQJsonObject();
    EXPECT_TRUE(type1.contains("dataBlockNumberError"));
    EXPECT_FALSE(type2.contains("dataBlockNumberError"));

    // A stray data-block-number object in a type 2 document is not taken.
    QJsonObject stray = type2;
    stray.insert("dataBlockNumberError", type1.value("dataBlockNumberError"));
    AncillaryStatusJsonData read;
    read.fromValidQJsonObject(stray);
    EXPECT_EQ(read.getDataBlockNumberError().getHasOccurred(), never);
    read.fromValidQJsonObject(type1);
    EXPECT_EQ(read.getDataBlockNumberError().getLastSeen().getEndTime(), 43);

    const QJsonObject entry1 = entry(1, 0xE7, 0x05).toQJsonObject();
    EXPECT_FALSE(entry1.contains("subDataId"));
    QJsonObject entry2 = entry(2, 0x41, 0x01).toQJsonObject();
    EXPECT_EQ(entry2.value("subDataId").toInt(), 1);
    entry2.insert("packetType", 1);
    AncillaryStatusEntryJsonData readEntry;
    readEntry.fromValidQJsonObject(entry2);
    EXPECT_EQ(readEntry.getSubDataId(), 0);
    EXPECT_EQ(readEntry.getVirtualInterfaceArrayAsConstList().size(), 2);
    EXPECT_EQ(readEntry.getVirtualInterfaceArrayAsConstList()[1].getVirtualInterfaceNumber(), 9u);
}

TEST(AncillaryDocuments, ForeignValuesReadSafely) {
    AncEventJsonData e;
    e.fromValidQJsonObject(QJsonObject{{"presence", 7}, {"firstSeen", "not an object"}});
    EXPECT_EQ(e.getHasOccurred(), never);

    AncillaryStatusOverviewJsonData o;
    o.fromValidQJsonObject(QJsonObject{{"key", 70000}, {"state", -1}});
    EXPECT_EQ(o.getKey(), 0);
    EXPECT_EQ(o.getState(), 0);

    AncillaryStatusEntryArrayJsonData a;
    a.fromValidQJsonObject(QJsonObject{{"ancillaryStatusEntryArray", QJsonArray{1, "x"}}});
    EXPECT_EQ(a.getAncillaryStatusEntryArrayAsConstList().size(), 2);
}

TEST(AncillaryDocuments, PropertyAccess) {
    // Numbers may come as text; other text is refused.
    AncTimeJsonData t;
    EXPECT_TRUE(t.setDataForProperty(AncTimeJsonData::StartTime, "12"));
    EXPECT_FALSE(t.setDataForProperty(AncTimeJsonData::EndTime, "twelve"));
    EXPECT_EQ(t.getDataForProperty(AncTimeJsonData::StartTime), QVariant(12));
    AncillaryStatusEntryJsonData en = entry(2, 0x41, 0x01);
    EXPECT_TRUE(en.setDataForProperty(AncillaryStatusEntryJsonData::SubDataId, 7));
    EXPECT_FALSE(en.setDataForProperty(AncillaryStatusEntryJsonData::DataId, "x"));
    EXPECT_EQ(en.getDataForProperty(AncillaryStatusEntryJsonData::SubDataId), QVariant(7));

    // A presence that is no number reads as not present, and still counts as set.
    AncEventJsonData e = ancEvent(now, 5);
    EXPECT_TRUE(e.setDataForProperty(AncEventJsonData::HasOccurred, "garbage"));
    EXPECT_EQ(e.getHasOccurred(), never);
    // Object-valued properties are neither written nor read.
    EXPECT_TRUE(e.setDataForProperty(AncEventJsonData::FirstSeen, 99));
    EXPECT_EQ(e.getFirstSeen().getStartTime(), 5);
    EXPECT_FALSE(e.getDataForProperty(AncEventJsonData::LastSeen).isValid());
    EXPECT_FALSE(en.setDataForProperty(AncillaryStatusEntryJsonData::VirtualInterfaceArray, 1));
    EXPECT_FALSE(
        en.getDataForProperty(AncillaryStatusEntryJsonData::VirtualInterfaceArray).isValid());

    // Overview values are 16 bits.
    AncillaryStatusOverviewJsonData o;
    EXPECT_TRUE(o.setDataForProperty(AncillaryStatusOverviewJsonData::Key, 0xFFFF));
    EXPECT_FALSE(o.setDataForProperty(AncillaryStatusOverviewJsonData::State, 0x10000));
    EXPECT_EQ(o.getKey(), 0xFFFF);
    EXPECT_EQ(o.getState(), 0);
}

TEST(AncillaryDocuments, PresenceRuleAtTheHundredMillisecondBoundary) {
    constexpr qint64 clock = 1'700'000'000'000;
    struct Case {
        qint64 age;
        bool occurred;
        AncEventJsonData::Presence expected;
    } cases[] = {
        {0, false, now},
        {50, true, now},
        {99, false, now},
        {100, true, before},
        {100, false, never},
        {150, true, before},
        {clock, false, never},  // never seen: wall clock
                                // 0
        {-20, false, now},      // monitor clock slightly ahead
    };
    for (const Case& c : cases) {
        AncPacketStatus::AncEvent record;
        record.occurred = c.occurred;
        record.firstSeen = {1, 2, 0};
        record.lastSeen = {3, 4, static_cast<std::uint64_t>(clock - c.age)};
        AncEventJsonData e;
        e.fromAncEvent(record, clock);
        EXPECT_EQ(e.getHasOccurred(), c.expected) << c.age << " " << c.occurred;
        EXPECT_EQ(e.getFirstSeen().getStartTime(), 1);
        EXPECT_EQ(e.getLastSeen().getEndTime(), 4);
    }

    // Without an explicit clock the current time is used.
    AncPacketStatus::AncEvent fresh;
    fresh.lastSeen.wallClockMs = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    AncEventJsonData e;
    e.fromAncEvent(fresh);
    EXPECT_EQ(e.getHasOccurred(), now);
}
