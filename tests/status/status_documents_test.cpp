// The status documents: ancillary status (with its titles and the SMPTE 291
// registry behind them), lanes and inputs.

#include "AncillaryTestDocuments.h"
#include "status/InputStatusJsonData.h"
#include "status/Smpte291Table.h"

#include <gtest/gtest.h>

using namespace Corvane;
using namespace Corvane::Testing;
using Titles = AncillaryStatusArrayJsonData;
using P = QPair<QString, QString>;
using Lane = LaneStatusJsonData;

namespace {

AncillaryStatusJsonData status(unsigned int vi, unsigned int type) {
    return ancStatus(vi, type, now, before, now, before);
}

AncillaryStatusEntryJsonData entry(int type, int did, int sdid) {
    return ancEntry(type, did, sdid, {status(1, type), status(9, type)});
}

bool isFlag(int property) {
    return property >= Lane::IsProgressiveFlag &&
           property <= Lane::Smpte352PacketLinkBchannelYpositionDetectedFlag;
}

// Every property set to a value of its own: texts "value <n>", flags alternating.
Lane distinctLane(int seed) {
    Lane lane;
    for (int p = 0; p < Lane::PropertiesCount; ++p) {
        const QVariant value = isFlag(p) ? QVariant((p + seed) % 2 == 0)
                                         : QVariant(QStringLiteral("value %1").arg(p + seed));
        EXPECT_TRUE(lane.setDataForProperty(static_cast<Lane::Properties>(p), value)) << p;
    }
    return lane;
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
        // The last two: never seen (wall clock 0), a monitor clock slightly ahead.
        {0, false, now},     {50, true, now},     {99, false, now},      {100, true, before},
        {100, false, never}, {150, true, before}, {clock, false, never}, {-20, false, now},
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

TEST(AncillaryTitles, EveryKeyHasAGroupOrAHexadecimalName) {
    int grouped = 0;
    int ownTitles = 0;
    for (int k = 0; k <= 0xFFFF; ++k) {
        const auto key = static_cast<quint16>(k);
        const AncStatusTopLevelItem group = Titles::getAncStatusTopLevelItemforKey(key);
        const P byKey = Titles::getTitleAndToolTipByKey(key);
        if (group == NoTopLevelItem) {
            ASSERT_EQ(byKey.second, "Unknown") << std::hex << k;
            continue;
        }
        ASSERT_GE(group, 0);
        ++grouped;
        if (byKey != Titles::getTitleAndToolTipForTopLevelItem(group)) {
            ++ownTitles;
            EXPECT_NE(byKey.second, "Unknown");
        }
    }
    EXPECT_EQ(grouped, 72);
    EXPECT_EQ(ownTitles, 44);

    const std::pair<quint16, P> titles[] = {
        {0x00E7, {"Audio Group 1", "Audio data in HANC space (HDTV) - Group 1"}},
        {0x1F07, {"DID:7h SDID:1Fh", "Unknown"}},
        {0x00AB, {"DID:ABh", "Unknown"}},  // no SDID
        {0xFF00, {"DID:0h SDID:FFh", "Unknown"}},
    };
    for (const auto& [key, title] : titles) {
        EXPECT_EQ(Titles::getTitleAndToolTipByKey(key), title) << std::hex << key;
    }
    // Keys past the first of their group, and the last group; then items past the table.
    const std::pair<quint16, int> groups[] = {
        {0x0C08, 0}, {0x1444, 17}, {0x0945, 19}, {0x00FF, 32}, {0x00F4, 34}};
    for (const auto& [key, group] : groups) {
        EXPECT_EQ(Titles::getAncStatusTopLevelItemforKey(key), group) << std::hex << key;
    }
    for (int outside : {-1, 35, 36}) {
        EXPECT_EQ(
            Titles::getTitleAndToolTipForTopLevelItem(static_cast<AncStatusTopLevelItem>(outside)),
            P("ERROR", "ERROR"));
    }
}

TEST(Smpte291Registry, RowsAreConsistent) {
    int previous = -1;
    for (const Smpte291TableEntry& row : smpte291Table) {
        SCOPED_TRACE(row.description.toStdString());
        // Type 1 DIDs are 80h and above and carry no SDID.
        EXPECT_EQ(row.packetType, row.did >= 0x80 ? 1 : 2);
        EXPECT_TRUE(row.packetType == 2 || row.sdid == 0);
        const int id = row.did << 8 | row.sdid;
        EXPECT_GT(id, previous) << "rows unique and ordered by DID, then SDID";
        previous = id;
    }
    // A type 1 packet is found whatever its SDID.
    const Smpte291TableEntry* audio = findSmpte291Entry(0xE7, 0x05);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->did << 8 | audio->sdid, 0xE700);
    EXPECT_EQ(findSmpte291Entry(0x41, 0x01)->standard, "S352");
    EXPECT_EQ(findSmpte291Entry(0x41, 0x0C), nullptr);
}

TEST(LaneStatus, FrameDataTexts) {
    struct Case {
        int th, tv1, tv2, ah, av1, av2;
        bool levelB, progressive;
        const char* texts;  // the six size properties, joined by '|'
    } cases[] = {
        {2200, 1125, 0, 1920, 1080, 0, false, true, "2200|1125|progressive|1920|1080|progressive"},
        {2200, 562, 563, 1920, 540, 540, true, false, "2200 (B mux)|562|563|1920 (B mux)|540|540"},
        {864, 312, 313, 720, 288, 288, false, false, "864|312|313|720|288|288"},
        {4400, 2250, 7, 3840, 2160, 7, true, true,
         "4400 (B mux)|2250|progressive|3840 (B mux)|2160|progressive"},
    };
    const Lane before = distinctLane(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts);
        Lane lane = distinctLane(1);
        lane.setFrameData(c.th, c.tv1, c.tv2, c.ah, c.av1, c.av2, c.levelB, c.progressive);
        QStringList texts;
        for (int i = 0; i < 6; ++i) {
            texts << lane.getDataForProperty(static_cast<Lane::Properties>(i)).toString();
        }
        EXPECT_EQ(texts.join('|').toStdString(), c.texts);
        EXPECT_EQ(lane.getDataForProperty(Lane::IsLevelBFlag).toBool(), c.levelB);
        EXPECT_EQ(lane.getDataForProperty(Lane::IsProgressiveFlag).toBool(), c.progressive);
        // Everything else stays as it was.
        for (int p = Lane::IsStableFlag; p < Lane::PropertiesCount; ++p) {
            const auto property = static_cast<Lane::Properties>(p);
            EXPECT_EQ(lane.getDataForProperty(property), before.getDataForProperty(property)) << p;
        }
    }
}

// Every lane property is a text or a flag in JSON; an input holds its lanes in order.
TEST(LaneStatus, JsonTypesAndInputLanesInOrder) {
    const QJsonObject json = distinctLane(0).toQJsonObject();
    for (int p = 0; p < Lane::PropertiesCount; ++p) {
        const QJsonValue value = json.value(QLatin1String(Lane::propertyNames[p]));
        EXPECT_EQ(value.type(), isFlag(p) ? QJsonValue::Bool : QJsonValue::String) << p;
    }
    checkDocument(distinctLane(0), "LaneStatusData");

    InputStatusJsonData input;
    input.getLaneStatusArray() << distinctLane(0) << distinctLane(5) << distinctLane(9);
    checkDocument(input, "InputStatusData");
    const QJsonArray lanes = input.toQJsonObject().value("LaneStatusArray").toArray();
    ASSERT_EQ(lanes.size(), 3);
    EXPECT_EQ(lanes[1].toObject().value("TotalHorizontalPixels").toString(), "value 5");
    InputStatusJsonData back = input;
    back.fromValidQJsonObject(input.toQJsonObject());  // reading appends to what is there
    EXPECT_EQ(back.getLaneStatusArray().size(), 6);
    EXPECT_FALSE(input.getDataForProperty(InputStatusJsonData::LaneStatusArray).isValid());
    EXPECT_FALSE(input.setDataForProperty(InputStatusJsonData::LaneStatusArray, 1));
}
