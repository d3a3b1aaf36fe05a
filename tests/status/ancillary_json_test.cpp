#include "status/AncillaryStatusJsonData.h"

#include <gtest/gtest.h>

#include <QSet>

#include <functional>
#include <memory>

using namespace Corvane;

namespace {

AncTimeJsonData time(int start, int end) {
    AncTimeJsonData t;
    t.setStartTime(start);
    t.setEndTime(end);
    return t;
}

AncEventJsonData event(AncEventJsonData::Presence presence, int base) {
    AncEventJsonData e;
    e.setHasOccurred(presence);
    e.setFirstSeen(time(base, base + 1));
    e.setLastSeen(time(base + 2, base + 3));
    return e;
}

AncillaryStatusJsonData status(unsigned int vi, unsigned int type) {
    AncillaryStatusJsonData s;
    s.setycChannelNumber(vi);
    s.setPacketType(type);
    s.setPresence(event(AncEventJsonData::Present, 10));
    s.setChecksumError(event(AncEventJsonData::PreviouslyPresent, 20));
    s.setParityError(event(AncEventJsonData::Present, 30));
    s.setDataBlockNumberError(event(AncEventJsonData::PreviouslyPresent, 40));
    return s;
}

AncillaryStatusEntryJsonData entry(int type, int did, int sdid) {
    AncillaryStatusEntryJsonData e;
    e.setPacketType(type);
    e.setDataId(did);
    e.setSubDataId(sdid);
    e.getChannelArrayAsList() << status(1, type) << status(9, type);
    return e;
}

QSet<QString> keysOf(const QJsonObject& json) {
    const QStringList keys = json.keys();
    return QSet<QString>(keys.begin(), keys.end());
}

template <class Doc>
QSet<QString> tableKeys() {
    QSet<QString> keys;
    for (const char* name : Doc::propertyNames) {
        keys.insert(QString::fromLatin1(name));
    }
    EXPECT_EQ(keys.size(), int(Doc::PropertiesCount)) << "duplicate key in the table";
    return keys;
}

struct DocumentCase {
    const char* className;
    std::function<std::unique_ptr<SimpleJsonObject>()> makeEmpty;
    std::function<std::unique_ptr<SimpleJsonObject>()> makeFull;
    QSet<QString> tableKeys;
    QStringList writtenKeys;  // the wire contract of a fully filled document
};

template <class Doc>
DocumentCase documentCase(const char* className, std::function<Doc()> full,
                          QStringList writtenKeys) {
    return {className, [] { return std::make_unique<Doc>(); },
            [full] { return std::make_unique<Doc>(full()); }, tableKeys<Doc>(), writtenKeys};
}

std::vector<DocumentCase> documentCases() {
    return {
        documentCase<AncTimeJsonData>("AncTimeJsonData", [] { return time(-5, 70000); },
                                      {"startTime", "endTime"}),
        documentCase<AncEventJsonData>("AncEventJsonData",
                                       [] { return event(AncEventJsonData::PreviouslyPresent, 3); },
                                       {"presence", "firstSeen", "lastSeen"}),
        documentCase<AncillaryStatusJsonData>(
            "AncillaryStatusJsonData", [] { return status(12, 1); },
            {"presence", "checksumError", "parityError", "dataBlockNumberError", "virtualInterface",
             "packetType"}),
        documentCase<AncillaryStatusEntryJsonData>(
            "AncillaryStatusEntryJsonData", [] { return entry(2, 0x41, 0x05); },
            {"packetType", "dataId", "subDataId", "virtualInterfaceArray"}),
        documentCase<AncillaryStatusArrayJsonData>("AncillaryStatusArrayJsonData",
                                                   [] {
                                                       AncillaryStatusArrayJsonData a;
                                                       a.getAncillaryStatusArrayAsList()
                                                           << status(0, 1) << status(3, 2);
                                                       return a;
                                                   },
                                                   {"ancillaryStatusArray"}),
        documentCase<VirtualInterfaceArrayJsonData>("VirtualInterfaceArrayJsonData",
                                                    [] {
                                                        VirtualInterfaceArrayJsonData a;
                                                        a.getVirtualInterfaceArrayAsList()
                                                            << status(8, 1);
                                                        return a;
                                                    },
                                                    {"virtualInterfaceArray"}),
        documentCase<AncillaryStatusEntryArrayJsonData>("AncillaryStatusEntryArrayJsonData",
                                                        [] {
                                                            AncillaryStatusEntryArrayJsonData a;
                                                            a.getAncillaryStatusEntryArrayAsList()
                                                                << entry(1, 0xE7, 0)
                                                                << entry(2, 0x60, 0x60);
                                                            return a;
                                                        },
                                                        {"ancillaryStatusEntryArray"}),
        documentCase<AncillaryStatusOverviewJsonData>("AncStatusOverview",
                                                      [] {
                                                          AncillaryStatusOverviewJsonData o;
                                                          o.setKey(0x0141);
                                                          o.setState(0xFFFF);
                                                          return o;
                                                      },
                                                      {"key", "state"}),
        documentCase<AncillaryStatusOverviewArrayJsonData>(
            "AncStatusOverviewArray",
            [] {
                AncillaryStatusOverviewArrayJsonData a;
                AncillaryStatusOverviewJsonData o;
                o.setKey(0x6060);
                o.setState(3);
                a.getAncillaryStatusOverviewArrayAsList() << o << o;
                return a;
            },
            {"ancillaryStatusOverviewArray"}),
    };
}

}  // namespace

TEST(AncillaryDocuments, RoundTripKeysAndAbsentKeys) {
    for (const DocumentCase& c : documentCases()) {
        SCOPED_TRACE(c.className);
        const auto full = c.makeFull();
        EXPECT_EQ(full->getClassName(), c.className);
        const QJsonObject written = full->toQJsonObject();

        // Every key written is in the table, and a full document writes them all.
        EXPECT_EQ(keysOf(written), c.tableKeys);
        EXPECT_EQ(keysOf(written), QSet<QString>(c.writtenKeys.begin(), c.writtenKeys.end()));

        const auto back = c.makeEmpty();
        back->fromValidQJsonObject(written);
        EXPECT_EQ(back->toQJsonObject(), written);

        // Reading an empty object resets a filled document to its defaults.
        const auto cleared = c.makeFull();
        cleared->fromValidQJsonObject(QJsonObject());
        EXPECT_EQ(cleared->toQJsonObject(), c.makeEmpty()->toQJsonObject());
    }
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
    EXPECT_EQ(read.getDataBlockNumberError().getHasOccurred(), AncEventJsonData::NotPresent);
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
    EXPECT_EQ(e.getHasOccurred(), AncEventJsonData::NotPresent);

    AncillaryStatusOverviewJsonData o;
    o.fromValidQJsonObject(QJsonObject{{"key", 70000}, {"state", -1}});
    EXPECT_EQ(o.getKey(), 0);
    EXPECT_EQ(o.getState(), 0);

    AncillaryStatusEntryArrayJsonData a;
    a.fromValidQJsonObject(QJsonObject{{"ancillaryStatusEntryArray", QJsonArray{1, "x"}}});
    EXPECT_EQ(a.getAncillaryStatusEntryArrayAsConstList().size(), 2);
}

TEST(AncillaryDocuments, KeyCombinesDidAndSdidForType2Only) {
    struct Case {
        int type, did, sdid;
        quint16 key;
    } cases[] = {{1, 0xE7, 0x05, 0x00E7},
                 {2, 0x41, 0x01, 0x0141},
                 {2, 0x60, 0x60, 0x6060},
                 {0, 0x41, 0x01, 0x0041},
                 {2, 0x1FF, 0x3FF, 0xFFFF}};
    for (const Case& c : cases) {
        AncillaryStatusEntryJsonData e;
        e.setPacketType(c.type);
        e.setDataId(c.did);
        e.setSubDataId(c.sdid);
        EXPECT_EQ(e.getKey(), c.key) << c.type << " " << c.did << " " << c.sdid;
    }
}

TEST(AncillaryDocuments, PropertyAccess) {
    const QVariant invalid;
    AncTimeJsonData t;
    EXPECT_TRUE(t.setDataForProperty(AncTimeJsonData::StartTime, "12"));
    EXPECT_FALSE(t.setDataForProperty(AncTimeJsonData::EndTime, "twelve"));
    EXPECT_FALSE(t.setDataForProperty(AncTimeJsonData::StartTime, invalid));
    EXPECT_FALSE(t.setDataForProperty(AncTimeJsonData::PropertiesCount, 1));
    EXPECT_TRUE(t.setDataForProperty(static_cast<AncTimeJsonData::Properties>(3), 1));
    EXPECT_EQ(t.getDataForProperty(AncTimeJsonData::StartTime), QVariant(12));
    EXPECT_FALSE(t.getDataForProperty(AncTimeJsonData::PropertiesCount).isValid());

    AncEventJsonData e = event(AncEventJsonData::NotPresent, 5);
    EXPECT_TRUE(e.setDataForProperty(AncEventJsonData::HasOccurred, 2));
    EXPECT_EQ(e.getDataForProperty(AncEventJsonData::HasOccurred), QVariant(2));
    EXPECT_TRUE(e.setDataForProperty(AncEventJsonData::HasOccurred, "garbage"));
    EXPECT_EQ(e.getHasOccurred(), AncEventJsonData::NotPresent);
    EXPECT_TRUE(e.setDataForProperty(AncEventJsonData::FirstSeen, 99));
    EXPECT_EQ(e.getFirstSeen().getStartTime(), 5);
    EXPECT_FALSE(e.getDataForProperty(AncEventJsonData::LastSeen).isValid());
    EXPECT_FALSE(e.setDataForProperty(AncEventJsonData::PropertiesCount, 1));

    AncillaryStatusEntryJsonData en = entry(2, 0x41, 0x01);
    EXPECT_TRUE(en.setDataForProperty(AncillaryStatusEntryJsonData::SubDataId, 7));
    EXPECT_FALSE(en.setDataForProperty(AncillaryStatusEntryJsonData::DataId, "x"));
    EXPECT_FALSE(en.setDataForProperty(AncillaryStatusEntryJsonData::VirtualInterfaceArray, 1));
    EXPECT_FALSE(en.setDataForProperty(AncillaryStatusEntryJsonData::PropertiesCount, 1));
    EXPECT_TRUE(en.setDataForProperty(static_cast<AncillaryStatusEntryJsonData::Properties>(9), 1));
    EXPECT_EQ(en.getDataForProperty(AncillaryStatusEntryJsonData::SubDataId), QVariant(7));
    EXPECT_FALSE(
        en.getDataForProperty(AncillaryStatusEntryJsonData::VirtualInterfaceArray).isValid());
    EXPECT_EQ(en.getVirtualInterfaceArrayAsConstList().size(), 2);

    AncillaryStatusOverviewJsonData o;
    EXPECT_TRUE(o.setDataForProperty(AncillaryStatusOverviewJsonData::Key, 0xFFFF));
    EXPECT_FALSE(o.setDataForProperty(AncillaryStatusOverviewJsonData::State, 0x10000));
    EXPECT_EQ(o.getKey(), 0xFFFF);
    EXPECT_EQ(o.getState(), 0);

    AncillaryStatusArrayJsonData a;
    EXPECT_FALSE(a.setDataForProperty(AncillaryStatusArrayJsonData::AncillaryStatusArray, 1));
    EXPECT_FALSE(a.setDataForProperty(AncillaryStatusArrayJsonData::PropertiesCount, 1));
    EXPECT_TRUE(a.setDataForProperty(2, 1));
    EXPECT_FALSE(a.setDataForProperty(2, invalid));
}

TEST(AncillaryDocuments, PresenceRuleAtTheHundredMillisecondBoundary) {
    constexpr qint64 now = 1'700'000'000'000;
    struct Case {
        qint64 age;
        bool occurred;
        AncEventJsonData::Presence expected;
    } cases[] = {
        {0, false, AncEventJsonData::Present},
        {50, true, AncEventJsonData::Present},
        {99, false, AncEventJsonData::Present},
        {100, true, AncEventJsonData::PreviouslyPresent},
        {100, false, AncEventJsonData::NotPresent},
        {150, true, AncEventJsonData::PreviouslyPresent},
        {now, false, AncEventJsonData::NotPresent},  // never seen: wall clock 0
        {-20, false, AncEventJsonData::Present},     // monitor clock slightly ahead
    };
    for (const Case& c : cases) {
        AncPacketStatus::AncEvent record;
        record.occurred = c.occurred;
        record.firstSeen = {1, 2, 0};
        record.lastSeen = {3, 4, static_cast<std::uint64_t>(now - c.age)};
        AncEventJsonData e;
        e.fromAncEvent(record, now);
        EXPECT_EQ(e.getHasOccurred(), c.expected) << c.age << " " << c.occurred;
        EXPECT_EQ(e.getFirstSeen().getStartTime(), 1);
        EXPECT_EQ(e.getLastSeen().getEndTime(), 4);
    }

    // Without an explicit clock the current time is used.
    AncPacketStatus::AncEvent fresh;
    fresh.lastSeen.wallClockMs = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    AncEventJsonData e;
    e.fromAncEvent(fresh);
    EXPECT_EQ(e.getHasOccurred(), AncEventJsonData::Present);
}
