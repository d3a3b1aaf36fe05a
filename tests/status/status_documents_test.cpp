// The status documents: ancillary status (with its titles, the SMPTE 291
// registry behind them and the tree a viewer shows of it), lanes and inputs.

#include <gtest/gtest.h>

#include <QStandardItemModel>
#include <ostream>
#include <string>

#include "status/AncillaryStatusJsonData.h"
#include "status/InputStatusJsonData.h"
#include "status/Smpte291Table.h"
#include "status/StatusColourPropagator.h"

// Readable failure messages for texts and titles.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
void PrintTo(const QPair<QString, QString>& texts, std::ostream* os) {
    *os << '"' << texts.first.toStdString() << "\", \"" << texts.second.toStdString() << '"';
}

using namespace Corvane;
using Titles = AncillaryStatusArrayJsonData;
using P = QPair<QString, QString>;
using Lane = LaneStatusJsonData;

namespace {

using Presence = AncEventJsonData::Presence;
constexpr Presence now = AncEventJsonData::Present;
constexpr Presence before = AncEventJsonData::PreviouslyPresent;
constexpr Presence never = AncEventJsonData::NotPresent;

AncTimeJsonData ancTime(int start, int end) {
    AncTimeJsonData t;
    t.setStartTime(start);
    t.setEndTime(end);
    return t;
}

// First seen (base, base + 1), last seen (base + 2, base + 3).
AncEventJsonData ancEvent(Presence presence, int base) {
    AncEventJsonData e;
    e.setHasOccurred(presence);
    e.setFirstSeen(ancTime(base, base + 1));
    e.setLastSeen(ancTime(base + 2, base + 3));
    return e;
}

// Each event has times of its own: presence from 10, checksum from 20,
// parity from 30, data block number from 40.
AncillaryStatusJsonData ancStatus(unsigned int vi, unsigned int type, Presence presence = now,
                                  Presence checksum = never, Presence parity = never,
                                  Presence dataBlock = never) {
    AncillaryStatusJsonData s;
    s.setycChannelNumber(vi);
    s.setPacketType(type);
    s.setPresence(ancEvent(presence, 10));
    s.setChecksumError(ancEvent(checksum, 20));
    s.setParityError(ancEvent(parity, 30));
    s.setDataBlockNumberError(ancEvent(dataBlock, 40));
    return s;
}

AncillaryStatusEntryJsonData ancEntry(int type, int did, int sdid,
                                      const QList<AncillaryStatusJsonData>& interfaces) {
    AncillaryStatusEntryJsonData e;
    e.setPacketType(type);
    e.setDataId(did);
    e.setSubDataId(sdid);
    e.getChannelArrayAsList() = interfaces;
    return e;
}

AncillaryStatusEntryArrayJsonData ancDocument(const QList<AncillaryStatusEntryJsonData>& entries) {
    AncillaryStatusEntryArrayJsonData d;
    d.getAncillaryStatusEntryArrayAsList() = entries;
    return d;
}

// What every status document shares: its class name, its JSON keys (spelt
// here, not taken from the class's table, so a misspelt key fails), a round
// trip, absent keys reading as the defaults, and property access where an
// invalid value and the count are refused and an index past the table is
// accepted and changes nothing. `keys` lists them in property order.
template <class Doc>
void checkDocument(const Doc& full, const char* className, const QStringList& keys) {
    SCOPED_TRACE(className);
    EXPECT_EQ(full.getClassName(), className);
    QStringList table;
    for (const char* name : Doc::propertyNames) {
        table << QString::fromLatin1(name);
    }
    EXPECT_EQ(table, keys);
    const QJsonObject written = full.toQJsonObject();
    QStringList sorted = keys;
    sorted.sort();
    EXPECT_EQ(written.keys(), sorted);  // sorted on both sides, so no key twice

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

AncillaryStatusJsonData status(unsigned int vi, unsigned int type) {
    return ancStatus(vi, type, now, before, now, before);
}

AncillaryStatusEntryJsonData entry(int type, int did, int sdid) {
    return ancEntry(type, did, sdid, {status(1, type), status(9, type)});
}

// In property order; the flags are 6 to 12.
const QStringList laneKeys = {"TotalHorizontalPixels",
                              "TotalVerticalPixelsProgressiveOrField1",
                              "TotalVerticalPixelsField2",
                              "ActiveHorizontalPixels",
                              "ActiveVerticalPixelsProgressiveOrField1",
                              "ActiveVerticalPixelsField2",
                              "IsProgressiveFlag",
                              "IsLevelBFlag",
                              "IsStableFlag",
                              "Smpte352PacketLinkAchannelCpositionDetectedFlag",
                              "Smpte352PacketLinkBchannelCpositionDetectedFlag",
                              "Smpte352PacketLinkAchannelYpositionDetectedFlag",
                              "Smpte352PacketLinkBchannelYpositionDetectedFlag",
                              "Smpte352PacketLinkAchannelCPosition",
                              "Smpte352PacketLinkBchannelCPosition",
                              "Smpte352PacketLinkAchannelYPosition",
                              "Smpte352PacketLinkBchannelYPosition"};

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

QPalette testPalette() {
    QPalette palette;
    palette.setBrush(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    palette.setBrush(QPalette::BrightText, QColor(0xee, 0xee, 0xee));
    return palette;
}

// 'R'ed, 'Y'ellow, 'W'hite, 'N'ormal (the palette's text), '-' never painted.
char colourOf(const QStandardItem* item, const QPalette& palette) {
    const std::pair<QBrush, char> known[] = {{QBrush(Qt::red), 'R'},
                                             {QBrush(Qt::yellow), 'Y'},
                                             {QBrush(Qt::white), 'W'},
                                             {palette.brush(QPalette::WindowText), 'N'}};
    for (const auto& [brush, letter] : known) {
        if (item->foreground() == brush) {
            return letter;
        }
    }
    return '-';
}

// A row's presence and three error cells (columns 1 to 4), '-' for no cell.
std::string cells(const QStandardItem* parent, int row) {
    QStringList texts;
    for (int column = 1; column <= 4; ++column) {
        const QStandardItem* item = parent->child(row, column);
        texts << (item ? item->text() : QStringLiteral("-"));
    }
    return texts.join('|').toStdString();
}

// The first column of the rows below `parent`, joined by '|'.
std::string column0(const QStandardItem* parent, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int row = 0; row < parent->rowCount(); ++row) {
        texts << parent->child(row, 0)->data(role).toString();
    }
    return texts.join('|').toStdString();
}

class StatusTree : public ::testing::Test {
protected:
    void build(const AncillaryStatusEntryArrayJsonData& d) { d.toStandardItem(root(), palette); }
    QStandardItem* root() { return model.invisibleRootItem(); }
    QStandardItem* entry(int row) { return root()->child(row, 0); }

    QStandardItemModel model;
    QPalette palette = testPalette();
};

}  // namespace

TEST(AncillaryDocuments, RoundTripKeysAndAbsentKeys) {
    checkDocument(ancTime(-5, 70000), "AncTimeJsonData", {"startTime", "endTime"});
    checkDocument(ancEvent(before, 3), "AncEventJsonData", {"presence", "firstSeen", "lastSeen"});
    checkDocument(status(12, 1), "AncillaryStatusJsonData",
                  {"presence", "checksumError", "parityError", "dataBlockNumberError",
                   "virtualInterface", "packetType"});
    checkDocument(entry(2, 0x41, 0x05), "AncillaryStatusEntryJsonData",
                  {"packetType", "dataId", "subDataId", "virtualInterfaceArray"});

    AncillaryStatusArrayJsonData statuses;
    statuses.getAncillaryStatusArrayAsList() << status(0, 1) << status(3, 2);
    checkDocument(statuses, "AncillaryStatusArrayJsonData", {"ancillaryStatusArray"});
    VirtualInterfaceArrayJsonData interfaces;
    interfaces.getVirtualInterfaceArrayAsList() << status(8, 1);
    checkDocument(interfaces, "VirtualInterfaceArrayJsonData", {"virtualInterfaceArray"});
    checkDocument(ancDocument({entry(1, 0xE7, 0), entry(2, 0x60, 0x60)}),
                  "AncillaryStatusEntryArrayJsonData", {"ancillaryStatusEntryArray"});

    AncillaryStatusOverviewJsonData overview;
    overview.setKey(0x0141);
    overview.setState(0xFFFF);
    checkDocument(overview, "AncStatusOverview", {"key", "state"});
    AncillaryStatusOverviewArrayJsonData overviews;
    overviews.getAncillaryStatusOverviewArrayAsList() << overview << overview;
    checkDocument(overviews, "AncStatusOverviewArray", {"ancillaryStatusOverviewArray"});
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

TEST(AncillaryDocuments, ForeignValuesAndPropertyAccess) {
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
    e = ancEvent(now, 5);
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
        const QJsonValue value = json.value(laneKeys[p]);
        EXPECT_EQ(value.type(), isFlag(p) ? QJsonValue::Bool : QJsonValue::String) << p;
    }
    checkDocument(distinctLane(0), "LaneStatusData", laneKeys);

    InputStatusJsonData input;
    input.getLaneStatusArray() << distinctLane(0) << distinctLane(5) << distinctLane(9);
    checkDocument(input, "InputStatusData", {"LaneStatusArray"});
    const QJsonArray lanes = input.toQJsonObject().value("LaneStatusArray").toArray();
    ASSERT_EQ(lanes.size(), 3);
    EXPECT_EQ(lanes[1].toObject().value("TotalHorizontalPixels").toString(), "value 5");
    InputStatusJsonData back = input;
    back.fromValidQJsonObject(input.toQJsonObject());  // reading appends to what is there
    EXPECT_EQ(back.getLaneStatusArray().size(), 6);
    EXPECT_FALSE(input.getDataForProperty(InputStatusJsonData::LaneStatusArray).isValid());
    EXPECT_FALSE(input.setDataForProperty(InputStatusJsonData::LaneStatusArray, 1));
}

TEST_F(StatusTree, RowsCarryTitlesKeysLinkAndSubImageLabels) {
    // Built twice: an update in place keeps the labels.
    const auto d =
        ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2)}),
                     ancEntry(1, 0xE7, 0x05, {ancStatus(0, 1), ancStatus(8, 1)}),
                     ancEntry(2, 0x07, 0x1F, {ancStatus(0, 2), ancStatus(1, 2)}),
                     ancEntry(2, 0x41, 0x01,
                              {ancStatus(0, 2), ancStatus(1, 2), ancStatus(2, 2), ancStatus(7, 2)}),
                     ancEntry(2, 0x41, 0x01, {ancStatus(2, 2), ancStatus(11, 2)})});
    build(d);
    build(d);
    EXPECT_EQ(column0(root()),
              "S352 Payload ID (41h 01h)|Audio Group 1 (E7h)|"
              "DID:7h SDID:1Fh (07h 1Fh)|S352 Payload ID (41h 01h)|"
              "S352 Payload ID (41h 01h)");
    // Keys 0x0141, 0x00E7 (a type 1 packet's ignores the SDID) and 0x1F07.
    EXPECT_EQ(column0(root(), ancValueRole), "321|231|7943|321|321");
    EXPECT_EQ(entry(0)->toolTip(), "Payload Identification, HANC space");
    EXPECT_EQ(column0(entry(0), ancValueRole), "1|9");
    const struct {
        int entry;
        const char* labels;
        const char* toolTips;
    } rows[] = {
        {0, "Link A Y-Pos|Link B Y-Pos", "Link A Y Position|Link B Y Position"},
        {2, "C-Pos|Y-Pos", "C Position|Y Position"},  // a single link needs no label
        {3, "1 C-Pos|1 Y-Pos|2 C-Pos|4 Y-Pos",
         "Sub-Image 1C Position|Sub-Image 1Y Position|Sub-Image 2C Position|Sub-Image 4Y Position"},
        {4, "Link A C-Pos|Link B Y-Pos",
         "Sub-Image 2Link A C Position|Sub-Image 2Link B Y Position"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(column0(entry(r.entry)), r.labels);
        EXPECT_EQ(column0(entry(r.entry), Qt::ToolTipRole), r.toolTips);
    }

    // Presence with the event's details below it; errors in columns 2 to 4.
    // Type 2 packets have no data block number.
    EXPECT_EQ(cells(entry(0), 0), "Present|OK|OK|-");
    EXPECT_EQ(cells(entry(1), 1), "Present|OK|OK|OK");
    QStandardItem* presence = entry(0)->child(0, 1);
    EXPECT_EQ(presence->data(ancValueRole).toInt(), 2);
    EXPECT_EQ(column0(presence), "Present|First Seen|Last Seen");
    EXPECT_EQ(column0(presence->child(2, 0)), "12|13");
}

TEST_F(StatusTree, RepeatedCallsUpdateInPlace) {
    const auto three =
        ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2), ancStatus(3, 2)}),
                     ancEntry(2, 0x60, 0x60, {ancStatus(1, 2), ancStatus(9, 2)}),
                     ancEntry(1, 0xE7, 0, {ancStatus(0, 1), ancStatus(8, 1)})});
    build(three);
    QStandardItem* first = entry(0);
    const QStandardItem* cells[] = {first->child(0, 0), first->child(0, 1)};
    build(three);
    EXPECT_EQ(entry(0), first);
    EXPECT_EQ(first->child(0, 0), cells[0]);
    EXPECT_EQ(first->child(0, 1), cells[1]);
    EXPECT_EQ(column0(first), "Link A Y-Pos|Link B Y-Pos|Link A Y-Pos");

    build(ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2)}),
                       ancEntry(2, 0x60, 0x60, {ancStatus(1, 2), ancStatus(9, 2, never)})}));
    ASSERT_EQ(root()->rowCount(), 2);
    EXPECT_EQ(entry(0), first);
    EXPECT_EQ(first->rowCount(), 2);
    QStandardItem* gone = entry(1)->child(1, 1);
    EXPECT_EQ(gone->text(), "Not Present");
    EXPECT_EQ(gone->data(ancValueRole).toInt(), 0);
    EXPECT_EQ(gone->rowCount(), 0);

    build(ancDocument({}));
    EXPECT_EQ(root()->rowCount(), 0);
}

TEST_F(StatusTree, SingleInterfaceFoldsIntoTheEntryRow) {
    const auto single = ancDocument({ancEntry(1, 0xE2, 0, {ancStatus(0, 1, now, never, now)})});
    for (int pass = 0; pass < 2; ++pass) {
        build(single);
        EXPECT_EQ(entry(0)->rowCount(), 0);
        EXPECT_EQ(cells(root(), 0), "Present (C-Pos)|OK|Error|OK");
        EXPECT_EQ(root()->child(0, 1)->toolTip(), "C Position");
        EXPECT_EQ(colourOf(root()->child(0, 3), palette), 'R');
        EXPECT_EQ(colourOf(entry(0), palette), 'R');
    }

    // Growing to two interfaces moves the details back down a level.
    build(ancDocument({ancEntry(1, 0xE2, 0, {ancStatus(0, 1), ancStatus(8, 1)})}));
    EXPECT_EQ(entry(0)->rowCount(), 2);
    EXPECT_EQ(cells(root(), 0), "-|-|-|-");
}

TEST_F(StatusTree, ErrorCellsFollowTheirEvent) {
    struct Step {
        Presence parity;
        const char* text;
        int value;
        int detailRows;
        char colour;
    } steps[] = {
        {now, "Error", 2, 3, 'R'},
        {before, "Previous Error", 1, 3, 'Y'},
        // A monitor reset clears the error; the cell keeps its last colour.
        {never, "OK", 0, 0, 'Y'},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        build(ancDocument({ancEntry(
            1, 0xE6, 0, {ancStatus(0, 1, now, before), ancStatus(8, 1, now, never, s.parity)})}));
        const QStandardItem* cell = entry(0)->child(1, 3);
        EXPECT_EQ(cell->text(), s.text);
        EXPECT_EQ(cell->data(ancValueRole).toInt(), s.value);
        EXPECT_EQ(cell->rowCount(), s.detailRows);
        EXPECT_EQ(colourOf(cell, palette), s.colour);
        // An earlier checksum error on the other interface stays a warning.
        EXPECT_EQ(colourOf(entry(0)->child(0, 2), palette), 'Y');
    }
    // A cell that never saw an error keeps the bright text it started with.
    EXPECT_EQ(entry(0)->child(0, 3)->foreground(), palette.brush(QPalette::BrightText));
}

// Hand-built tree: entry (top level) with two interface rows A and B, each
// with a cell in column 2. A step is written "<op><cell><result><colours>":
// op 'E'rror, 'W'arning, 'N'either, 'P'resent or 'C'leared, on cell 'a' or
// 'b', the call's result (0 or 1), then the colours of entry, rowA, cellA,
// rowB and cellB.
TEST(StatusColourPropagator, ScenariosKeepErrorsAndColouredChildren) {
    const std::pair<const char*, const char*> scenarios[] = {
        {"neither changes nothing", "Na0-----"},
        {"error then warning on sibling", "Ea1RRR-- Wb0RRRYY"},
        {"warning then error", "Wb0Y--YY Ea1RRRYY"},
        {"error paints every ancestor, again is a no-op", "Ea1RRR-- Ea1RRR--"},
        {"present stops at red", "Ea1RRR-- Pb1RRRWW"},
        {"present is white, clearing keeps a parent with a white child",
         "Pa1WWW-- Pb1WWWWW Ca0WNNWW Cb0NNNNN"},
        {"warning is yellow, clearing stops at it", "Wa0YYY-- Cb0YYYNN"},
    };
    QPalette palette = testPalette();
    for (const auto& [name, steps] : scenarios) {
        SCOPED_TRACE(name);
        QStandardItemModel model;
        auto* e = new QStandardItem("entry");
        model.appendRow(e);
        e->setChild(0, 0, new QStandardItem("A"));
        e->setChild(0, 2, new QStandardItem("a"));
        e->setChild(1, 0, new QStandardItem("B"));
        e->setChild(1, 2, new QStandardItem("b"));
        const QStandardItem* items[] = {e, e->child(0, 0), e->child(0, 2), e->child(1, 0),
                                        e->child(1, 2)};
        for (const QString& step : QString(steps).split(' ')) {
            const char op = step[0].toLatin1();
            QStandardItem* target = e->child(step[1] == 'a' ? 0 : 1, 2);
            const bool result =
                op == 'P' || op == 'C'
                    ? StatusColourPropagator::PropagatePresence(target, op == 'P', palette)
                    : StatusColourPropagator::ValidateAndPropagateErrorWarning(target, op == 'E',
                                                                               op == 'W', palette);
            QString colours = QString::number(result);
            for (const QStandardItem* item : items) {
                colours += colourOf(item, palette);
            }
            EXPECT_EQ(colours, step.mid(2)) << step.toStdString();
        }
    }
}
