// Packets: frames and the factory that rebuilds each class from them, byte
// layouts and hostile frames, nested and path tree packets, the distributor.

#include "PacketTestHelpers.h"
#include "datacore/DatacoreBase.h"
#include "packets/AudioMetersDataPacket.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/EyeHistogramData.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/RawSdiJitterPacket.h"
#include "packets/RawSdiSampleGridPacket.h"
#include "packets/SerialisableDataPacket.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "packets/VideoIpIpatHistogramPacket.h"
#include "support/JsonText.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonParseError>
#include <QObject>
#include <QPointer>
#include <numeric>

namespace Corvane {
namespace {

using namespace AudioProcessingRegisterApi;
using namespace JitterInsertionAnalysisRegisterApi;
using namespace Testing;

SerialisableDataPacket named(const QString& className, const QString& key, int value) {
    return SerialisableDataPacket::fromJson({{"Class", className}, {key, value}});
}

// The factory builds a packet only from a whole frame with a valid header,
// and takes nothing else from the buffer.
TEST(PacketHeader, PeekClassifiesBufferAndFactoryTakesOnlyWholeFrames) {
    const QByteArray payload(5, 'p');
    const std::tuple<const char*, QByteArray, quint16> cases[] = {
        {"nothing", QByteArray(), 0},
        {"garbage in front", QByteArray("garbage!") + rawFrame(0x1013, payload), 0},
        {"complete", rawFrame(0x1013, payload), 0x1013},
        {"complete with more behind", rawFrame(0x101B, payload) + "zz", 0x101B},
        {"empty payload", rawFrame(0x1011, QByteArray()), 0x1011},
        {"one byte short", rawFrame(0x1013, payload).chopped(1), 1},
        {"header only part", rawFrame(0x1013, payload).left(5), 1},
        {"below range", rawFrame(0x100F, payload), 0},
        {"above range", rawFrame(0x101C, payload), 0},
        {"negative length", rawFrame(0x1010, -1, payload), 0},
        {"longest allowed length", rawFrame(0x1010, RawDataPacket::maxPayloadLength, payload), 1},
        {"length above the maximum", rawFrame(0x1010, RawDataPacket::maxPayloadLength + 1, payload),
         0},
        {"largest length", rawFrame(0x1010, INT32_MAX, payload), 0},
    };
    const QByteArray front = frameOf(SerialisableDataPacket("K"));
    for (const auto& [what, bytes, expected] : cases) {
        const RawDataPacket::Header header = RawDataPacket::peekHeader(bytes);
        EXPECT_EQ(header.packetIdentifier, expected) << what;
        const bool whole = expected > 1;
        QByteArray buffer = bytes;
        EXPECT_EQ(take(buffer) != nullptr, whole) << what;
        EXPECT_EQ(buffer, whole ? bytes.mid(8 + header.payloadLength) : bytes) << what;
        // The same bytes behind a complete frame, reached by offset.
        EXPECT_EQ(RawDataPacketFactory::createPacketFromDataBufferAt(front + bytes, front.size()) !=
                      nullptr,
                  whole)
            << what;
    }
    EXPECT_TRUE(RawDataPacketFactory::createPacketFromDataBufferAt("xy" + front, 2));
    EXPECT_FALSE(RawDataPacketFactory::createPacketFromDataBufferAt(front, -1));
    EXPECT_FALSE(RawDataPacketFactory::createPacketFromDataBufferAt(front, front.size() + 1));
    const RawDataPacket::Header header = RawDataPacket::peekHeader(rawFrame(0x1012, 7, "", 9));
    EXPECT_EQ(header.sourceInstanceIdentifier, 9);
    EXPECT_EQ(header.payloadLength, 7);
}

TEST(JsonPacket, PayloadIsLengthPrefixedCompactTextAndBadTextIsRefusedAndLogged) {
    const QByteArray payload = SerialisableDataPacket("X").getSerialisedPayloadForTransmit();
    EXPECT_EQ(payload, QByteArray::fromHex("0000000d") + R"({"Class":"X"})");

    // Header big-endian in declared order: identifier, source, payload length.
    const QByteArray frame = frameOf(named("Meter", "v", 12));
    EXPECT_EQ(frame.size(), 8 + 4 + 24);  // {"Class":"Meter","v":12}
    EXPECT_EQ(frame.left(12), QByteArray::fromHex("10100000 0000001c 00000018"));

    LogCapture log;
    EXPECT_TRUE(SerialisableDataPacket{QString()}.getJsonObject().isEmpty());
    EXPECT_TRUE(log.contains("SerialisableDataPacket MUST HAVE CLASS NAME"));
    log.clear();

    QJsonParseError error{};
    const auto good = SerialisableDataPacket::deserialise(R"({"Class":"Q","n":1})", error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(good.getPacketClassName(), "Q");
    EXPECT_TRUE(log.lines().empty());

    const auto bad = SerialisableDataPacket::deserialise("{\"Class\":", error);
    EXPECT_NE(error.error, QJsonParseError::NoError);
    EXPECT_TRUE(bad.getJsonObject().isEmpty());
    EXPECT_TRUE(log.contains("SerialisablePacket failed to parse packet: "));
}

TEST(NestedPackets, OnlyNamedObjectsAreExtracted) {
    std::vector<SerialisableDataPacket> inner = {named("A", "n", 1), named("B", "n", 2)};
    SerialisableDataPacket outer = SerialisableDataPacket::fromJson(jsonObject(R"({
        "Class": "Outer", "unnamed": {"n": 1}, "emptyName": {"Class": ""},
        "numberName": {"Class": 4}, "notObject": 17,
        "mixed": [{"Class": "A", "n": 1}, 42, {"Class": "B", "n": 2}, {"Class": ""}]})"));
    outer.insertOtherPacketIntoThis("one", inner[1]);
    outer.insertOtherPacketsIntoThis("all", inner);

    bool ok = false;
    EXPECT_EQ(outer.extractOtherPacketFromThis("one", ok), inner[1]);
    EXPECT_TRUE(ok);
    for (const char* key : {"unnamed", "emptyName", "numberName", "notObject", "absent", "all"}) {
        ok = true;
        EXPECT_TRUE(outer.extractOtherPacketFromThis(key, ok).getJsonObject().isEmpty()) << key;
        EXPECT_FALSE(ok) << key;
    }

    // Nesting survives the trip over the wire.
    const auto received = rebuilt<SerialisableDataPacket>(frameOf(outer));
    ASSERT_TRUE(received);
    EXPECT_EQ(received->extractOtherPacketsFromThis("all", ok), inner);
    EXPECT_TRUE(ok);
    EXPECT_EQ(received->extractOtherPacketsFromThis("mixed", ok), inner);
    EXPECT_FALSE(ok);
    for (const char* key : {"unnamed", "absent"}) {
        EXPECT_TRUE(received->extractOtherPacketsFromThis(key, ok).empty());
        EXPECT_FALSE(ok);
    }
}

TEST(DatacorePacketKeys, ValuesAndDefaults) {
    const QJsonObject datacore{{"Value", 3}};
    const DatacorePacket full("client-7", 41, datacore, "Root/Child");
    EXPECT_EQ(full.getJsonObject(), jsonObject(R"({"Class": "DatacorePacket",
        "ClientID": "client-7", "PacketID": 41, "Path": "Root/Child", "Datacore": {"Value": 3}})"));
    EXPECT_EQ(full.getDatacoreJsonObject(), datacore);

    const DatacorePacket bare("DatacorePacket");
    EXPECT_FALSE(bare.containsClientID() || bare.containsPacketID() ||
                 bare.containsDatacorePath() || bare.containsDatacoreObject());
    EXPECT_EQ(bare.getPacketID(), -1);
    EXPECT_TRUE(bare.getDatacoreJsonObject().isEmpty());
}

// The text is bounded by the frame, not by its length prefix; text that
// does not parse gives an empty class and a log line.
TEST(Factory, JsonTextBoundedByFrameAndUnparsableTextGivesEmptyClass) {
    const QByteArray text = R"({"Class":"K"})";
    const std::tuple<QByteArray, const char*, bool> cases[] = {
        {QByteArray::fromHex("7fffffff") + text, "K", false},     // prefix claims far more
        {QByteArray(4, 0), "", true},                             // no text at all
        {QByteArray::fromHex("00000005") + "{\"a\":", "", true},  // cut short
        {QByteArray::fromHex("00000003") + "[1]", "", false},     // an array, not an object
        {QByteArray::fromHex("ffffffff") + "\xff\xfe", "", true},
        {QByteArray(4, 0) + R"({"Class":"K","b":[1],"b":[2]})", "", true},  // repeated key
    };
    for (const auto& [payload, className, logged] : cases) {
        LogCapture log;
        QByteArray buffer = rawFrame(0x1010, payload) + "{junk";
        const auto packet = std::dynamic_pointer_cast<SerialisableDataPacket>(take(buffer));
        ASSERT_TRUE(packet) << payload.toHex().constData();
        EXPECT_EQ(buffer, QByteArray("{junk"));
        EXPECT_EQ(packet->getPacketClassName(), className);
        EXPECT_EQ(packet->getJsonObject().contains("Class"), logged || *className);
        EXPECT_EQ(log.contains("SerialisablePacket failed to parse packet "), logged);
    }
    // A payload length smaller than the frame passed to the constructor.
    const SerialisableDataPacket cut(rawFrame(0x1010, QByteArray(4, 0) + text), 4 + 5);
    EXPECT_EQ(cut.getPacketClassName(), "");
}

std::vector<MeterValue<float>> floatReadings() {
    return {{1, 2, 3, 4, 0.5f}, {255, -1, 0, INT32_MAX, -12.25f}};
}

Types::RawSdiSampleGrid grid(int rows, int samples, int listLength) {
    Types::RawSdiSampleGrid g;
    for (int r = 0; r < rows; ++r) {
        Types::RawSdiSampleGridRow row;
        row.samples.resize(static_cast<size_t>(samples));
        std::iota(row.samples.begin(), row.samples.end(), 100u * unsigned(r));
        row.interfaceList.assign(static_cast<size_t>(listLength), 0xA0u);
        row.lineNumber = r + 21;
        row.flags = -r;
        g.rows.push_back(row);
    }
    return g;
}

Types::IpatHistogram ipat() {
    Types::IpatHistogram h;
    h.binWidthNs = 100;
    h.packetCount = 0x123456789LL;
    h.overflowCount = -3;
    for (int i = 0; i < Types::IpatHistogram::binCount; ++i) {
        h.bins[size_t(i)] = quint32(i * 1000);
    }
    return h;
}

// Every class: serialised behind its header, rebuilt by the factory as the
// same class (JSON ones as the class their "Class" names) and serialised
// again byte for byte.
TEST(Factory, RebuildsEveryClassByteForByte) {
    const std::vector<MeterValue<int>> ints = {{7, 1, 2, 3, -40000}};
    const ST337Status st{3, 28, 1, 6144, 2, 1, 5, 1, 1, 24, -2};
    const QByteArray eye = QByteArray::fromHex("00000003 00000001 ffffffff 00010000");
    EXPECT_EQ(EyeHorizontalHistogramData(rawFrame(0x1012, eye)).getBins(),
              (QVector<unsigned>{1, 0xFFFFFFFF, 0x10000}));
    const std::tuple<std::shared_ptr<RawDataPacket>, quint16, int> cases[] = {
        {std::make_shared<DatacorePacket>("c", 2, QJsonObject{{"a", QJsonArray{1, "two", true}}},
                                          "x/y"),
         0x1010, 4 + 99},
        {std::make_shared<SerialisableDataPacket>(named("Whatever", "n", 1)), 0x1010, 4 + 26},
        {std::make_shared<PpmMetersData>(floatReadings(), 0xF, 9), 0x1013, 60},
        {std::make_shared<PeakHoldMetersData>(floatReadings(), 1, 2), 0x1014, 60},
        {std::make_shared<PhaseMetersData>(floatReadings(), 1, 2), 0x1015, 60},
        {std::make_shared<InstantPeakDbMetersData>(floatReadings(), 1, 2), 0x1016, 60},
        {std::make_shared<InstantPeakLinearMetersData>(ints, 3, 4), 0x1017, 32},
        {std::make_shared<ST337DolbyDetectData>(std::vector{st, st}, 5, 6), 0x1018, 12 + 56},
        {std::make_shared<RawSdiSampleGridPacket>(grid(3, 5, 2)), 0x1019, 12 + 8 + 3 * (28 + 20)},
        {std::make_shared<RawSdiJitterSpectrumDataPacket>(
             Types::JitterSpectralData{{1, 2, 3}, {0.5}, {}}, WindowFunction::hann, true,
             FftBandwidth::bandwidth1MHz),
         0x101A, 21 + 32},
        {std::make_shared<VideoIpIpatHistogramPacket>(ipat(), 0xBEEF), 0x101B, 288},
        {std::make_shared<EyeVerticalHistogramData>(rawFrame(0x1011, eye)), 0x1011, 16},
        {std::make_shared<EyeHorizontalHistogramData>(rawFrame(0x1012, eye)), 0x1012, 16},
    };
    for (const auto& [packet, identifier, payloadSize] : cases) {
        const RawDataPacket& sent = *packet;
        SCOPED_TRACE(typeid(sent).name());
        const QByteArray frame = frameOf(sent);
        EXPECT_EQ(frame.size(), 8 + payloadSize);
        const auto received = rebuilt<RawDataPacket>(frame);  // the whole frame, no more
        ASSERT_TRUE(received);
        const RawDataPacket& got = *received;
        EXPECT_EQ(typeid(got), typeid(sent));
        EXPECT_EQ(
            got.getHeaderFromPacket(),
            (RawDataPacket::Header{identifier, sent.getSourceInstanceIdentifier(), payloadSize}));
        EXPECT_EQ(got.getPayloadFromPacket(), frame.mid(8));
        EXPECT_EQ(frameOf(got), frame);
    }
}

TEST(MeasurementLayout, PayloadBytesAndRaggedGridRowsTakeTheFirstRowsLength) {
    const ST337Status st{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, -1};
    Types::RawSdiSampleGrid g = grid(1, 2, 1);
    g.rows[0].firstSample = 5;
    Types::IpatHistogram h{1, 2, 3, 4, 5, 6, 7, {}};
    h.bins[63] = 8;
    // Hex with spaces only for reading.
    const std::tuple<const char*, QByteArray, const char*> cases[] = {
        {"meter, float as double",
         PpmMetersData({{0xAB, 2, -1, 4, 0.5f}}, 0x0102, 0x0A0B).getSerialisedPayloadForTransmit(),
         "00000a0b 00000102 00000001 000000ab 00000002 ffffffff 00000004 3fe0000000000000"},
        {"meter, no readings", PpmMetersData({}, 7, 8).getSerialisedPayloadForTransmit(),
         "00000008 00000007 00000000"},
        {"meter, int value",
         InstantPeakLinearMetersData({{1, 0, 0, 0, -2}}, 0, 0).getSerialisedPayloadForTransmit(),
         "00000000 00000000 00000001 00000001 00000000 00000000 00000000 fffffffe"},
        {"st337 widths", ST337DolbyDetectData({st}, 0, 0).getSerialisedPayloadForTransmit().mid(12),
         "00000011 00000022 00000033 00000044 0055 0066 00000077 88 99 aa ff"},
        {"grid", RawSdiSampleGridPacket(std::move(g)).getSerialisedPayloadForTransmit(),
         "00000001 00000002 00000001 000000a0 "
         "00000015 00000005 00000000 00000000 00000000 00000000 00000000 00000000 00000001"},
        {"grid without rows",
         RawSdiSampleGridPacket(Types::RawSdiSampleGrid{}).getSerialisedPayloadForTransmit(),
         "00000000 00000000 00000000"},
        {"jitter",
         RawSdiJitterSpectrumDataPacket({{}, {-2.0}, {}}, WindowFunction::hamming, true,
                                        FftBandwidth::bandwidth100Hz)
             .getSerialisedPayloadForTransmit(),
         "00000000 00000001 c000000000000000 00000000 00000002 01 00000001"},
        {"ipat leading fields and last bin",
         [&] {
             const QByteArray p =
                 VideoIpIpatHistogramPacket(std::move(h), 0).getSerialisedPayloadForTransmit();
             return p.size() == 288 ? p.left(32) + p.right(4) : QByteArray("wrong size");
         }(),
         "00000001 00000002 0000000000000003 00000004 00000005 00000006 00000007 00000008"},
    };
    for (const auto& [name, payload, hex] : cases) {
        EXPECT_EQ(payload.toHex(), QByteArray::fromHex(hex).toHex()) << name;
    }
    EXPECT_EQ(RawSdiSampleGridPacket::getPayloadSizeInBytes(1, 1, 2), 13 * 4);

    // Ragged grid rows take the first row's length.
    Types::RawSdiSampleGrid ragged = grid(3, 2, 0);
    ragged.rows[1].samples = {7};
    ragged.rows[2].samples = {8, 9, 10};
    const auto back =
        rebuilt<RawSdiSampleGridPacket>(frameOf(RawSdiSampleGridPacket(std::move(ragged))));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->getSdiGridData().rows[1].samples, (std::vector<unsigned>{7, 0}));
    EXPECT_EQ(back->getSdiGridData().rows[2].samples, (std::vector<unsigned>{8, 9}));
}

TEST(HostileFrames, CountsBoundedByPayloadAndTruncatedFixedPayloadReadsZeros) {
    const QByteArray reading =
        PpmMetersData(floatReadings(), 0, 0).getSerialisedPayloadForTransmit().mid(12, 24);
    const QByteArray status =
        ST337DolbyDetectData({ST337Status{}}, 0, 0).getSerialisedPayloadForTransmit().mid(12);
    // Entries a rebuilt packet holds, whatever its class.
    auto entries = [](const RawDataPacket& p) -> int {
        if (auto m = dynamic_cast<const MetersData<float>*>(&p))
            return m->getReadings().size();
        if (auto d = dynamic_cast<const ST337DolbyDetectData*>(&p))
            return d->getReadings().size();
        if (auto e = dynamic_cast<const EyeHistogramData*>(&p))
            return e->getBins().size();
        if (auto g = dynamic_cast<const RawSdiSampleGridPacket*>(&p))
            return int(g->getSdiGridData().rows.size());
        const auto& d = dynamic_cast<const RawSdiJitterSpectrumDataPacket&>(p).getGraphData();
        return int(d.frequencies.size() + d.amplitudes.size() + d.peakHold.size());
    };
    const QByteArray lead = be32(1) + be32(2);
    const std::tuple<const char*, quint16, QByteArray, int> cases[] = {
        {"meter count huge", 0x1013, lead + be32(0xFFFFFFFF) + reading + reading, 2},
        {"meter count with partial entry", 0x1014, lead + be32(3) + reading + reading.left(10), 1},
        {"meter no count", 0x1015, lead.left(5), 0},
        {"st337 count huge", 0x1018, lead + be32(1u << 31) + status, 1},
        {"eye count huge", 0x1011, be32(0x7FFFFFFF) + be32(5), 1},
        {"eye count negative", 0x1012, be32(0xFFFFFFFE) + be32(5) + be32(6), 2},
        {"grid rows huge", 0x1019, be32(0xFFFFFFFF) + be32(1) + be32(0) + QByteArray(64, 1), 2},
        {"grid samples huge", 0x1019, be32(2) + be32(0xFFFFFFFF) + be32(0) + QByteArray(64, 1), 0},
        {"grid list huge", 0x1019, be32(1) + be32(0) + be32(0x40000000) + QByteArray(40, 1), 0},
        {"jitter lengths huge", 0x101A, be32(0xFFFFFFFF) + QByteArray(20, 0), 2},
        {"jitter truncated", 0x101A, be32(3) + QByteArray(8, 0), 1},
    };
    for (const auto& [name, id, payload, expected] : cases) {
        const auto packet = rebuilt<RawDataPacket>(rawFrame(id, payload));
        ASSERT_TRUE(packet) << name;
        EXPECT_EQ(entries(*packet), expected) << name;
    }

    // A fixed layout cut short reads zeros.
    const QByteArray full = frameOf(VideoIpIpatHistogramPacket(ipat(), 4));
    const QByteArray cut = rawFrame(0x101B, full.mid(8, 10));
    const auto packet = rebuilt<VideoIpIpatHistogramPacket>(cut);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->getIpatHistogram().binWidthNs, 100);
    EXPECT_EQ(packet->getIpatHistogram().packetCount, 0);
    EXPECT_EQ(packet->getIpatHistogram().bins[63], 0u);

    // Called directly, a constructor may get less than the header promises.
    const QByteArray meters = frameOf(PpmMetersData(floatReadings(), 1, 2));
    EXPECT_EQ(PpmMetersData(meters.left(8 + 12 + 30)).getReadings().size(), 1);
    EXPECT_TRUE(EyeVerticalHistogramData(QByteArray(3, 0x10)).getBins().isEmpty());
}

RadixTreeNode leaf(const char* name) {
    return {name, {}};
}

TEST(RadixTreePacket, DescribesTreesAndSurvivesTheWire) {
    DatacoreBase status("status", nullptr);
    DatacoreBase video("video", &status, "1080p");
    DatacoreBase audio("audio", &status);  // registered later, listed first
    DatacoreBase standard("standard", &video);
    DatacoreBase command("cmd", nullptr);

    DatacorePathRadixTreePacket sent;
    sent.setDestinationClientId("client-7");
    sent.setStatusTree(status);
    sent.setCommandTree(command);
    EXPECT_EQ(sent.getJsonObject().value("StatusTreeObject").toObject(),
              jsonObject(R"({"Core":"status","Kids":[{"Core":"audio"},
                       {"Core":"video","Kids":[{"Core":"standard"}]}]})"));

    const auto received = rebuilt<DatacorePathRadixTreePacket>(frameOf(sent));
    ASSERT_TRUE(received);
    const DatacorePathRadixTreePacket& packet = *received;
    EXPECT_EQ(packet.getPacketClassName(), "DatacorePathRadixTreePacket");
    EXPECT_EQ(packet, sent);
    EXPECT_EQ(packet.getDestinationClientId(), "client-7");
    EXPECT_EQ((std::vector<bool>{packet.containsClientId(), packet.containsStatusTree(),
                                 packet.containsCommandTree(), packet.containsConfigTree(),
                                 packet.containsPersistentConfigTree()}),
              (std::vector<bool>{true, true, true, false, false}));

    const RadixTreeNode expected{"status", {leaf("audio"), {"video", {leaf("standard")}}}};
    EXPECT_EQ(packet.getRootNodeForStatusTree(), expected);
    EXPECT_EQ(packet.getRootNodeForCommandTree(), leaf("cmd"));
    EXPECT_EQ(packet.getRootNodeForConfigTree(), RadixTreeNode{});
    EXPECT_EQ(packet.getRootNodeForPersistentConfigTree(), RadixTreeNode{});
}

TEST(RadixTreePacket, MalformedAndOverlyDeepShapesRebuildLeniently) {
    const std::vector<std::pair<const char*, RadixTreeNode>> cases = {
        {R"({})", {}},
        {R"({"Core":5,"Kids":[{"Core":"a"}]})", {"", {leaf("a")}}},
        {R"({"Core":"r","Kids":[3,"x",{"Core":"b"}]})", {"r", {leaf(""), leaf(""), leaf("b")}}},
        {R"({"Core":"r","Kids":{"Core":"a"}})", leaf("r")},
    };
    const DatacorePathRadixTreePacket packet;
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(packet.getRadixTreeFromJson(jsonObject(text)), expected) << text;
    }

    DatacorePathRadixTreePacket odd;
    odd.setJsonObject(jsonObject(R"({"Class":"DatacorePathRadixTreePacket","ClientId":12,
                                "StatusTreeObject":"status","ConfigTreeObject":[]})"));
    EXPECT_FALSE(odd.containsClientId());
    EXPECT_EQ(odd.getDestinationClientId(), "");
    EXPECT_FALSE(odd.containsStatusTree());
    EXPECT_FALSE(odd.containsConfigTree());
    EXPECT_EQ(odd.getRootNodeForStatusTree(), RadixTreeNode{});

    // Too deep a shape is cut off, with a log line.
    QJsonObject shape{{"Core", "bottom"}};
    for (int i = 0; i < DatacorePathRadixTreePacket::maxTreeDepth + 40; ++i) {
        shape = QJsonObject{{"Core", QString::number(i)}, {"Kids", QJsonArray{shape}}};
    }
    LogCapture log;
    const RadixTreeNode node = packet.getRadixTreeFromJson(shape);
    int depth = 1;
    for (const RadixTreeNode* n = &node; !n->children.empty(); n = &n->children.front()) {
        ++depth;
    }
    EXPECT_EQ(depth, DatacorePathRadixTreePacket::maxTreeDepth);
    EXPECT_TRUE(log.contains("deeper than"));
}

// Records "<tag>:<class>" for every packet it is given.
struct Recorder : SerialisableDataPacketAcceptorInterface {
    Recorder(std::string tag, std::vector<std::string>& log, bool willing = true)
        : tag(std::move(tag)), log(log), willing(willing) {}
    bool canAcceptPacket(QString) override { return willing; }
    void acceptPacket(const SerialisableDataPacket& packet) override {
        log.push_back(tag + ":" + packet.getPacketClassName().toStdString());
    }
    std::string tag;
    std::vector<std::string>& log;
    bool willing;
};

// Packets reach it as a connection hands them on: rebuilt from their frame.
TEST(Distributor, RoutesByClassInRegistrationOrderAndLogsPacketsNobodyTakes) {
    LogCapture capture;
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log), refuser("r", log, false);
    SerialisableDataPacketDistributor distributor(nullptr);
    distributor.registerPacketAcceptor(&a, QString("Alpha"));
    distributor.registerPacketAcceptor(&b, std::deque<QString>{"Beta", "Alpha"});
    distributor.registerPacketAcceptor(&c, QString("Beta"));
    distributor.registerPacketAcceptor(&a, QString("Beta"));  // twice is twice
    distributor.registerPacketAcceptor(nullptr, QString("Alpha"));
    distributor.registerPacketAcceptor(&refuser, QString("Gamma"));
    EXPECT_TRUE(
        capture.contains("Could not register packetAcceptor to accept packets of the class Gamma"));

    for (const char* className : {"Alpha", "Beta", "Gamma"}) {
        distributor.receiveRawDataPacket(
            rebuilt<RawDataPacket>(frameOf(SerialisableDataPacket(className))));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a:Alpha", "b:Alpha", "b:Beta", "c:Beta", "a:Beta"}));
    EXPECT_TRUE(
        capture.contains("There are no packet acceptors registered for packets of type Gamma"));
    // A payload that does not parse has no class, hence no acceptor.
    distributor.receiveRawDataPacket(
        rebuilt<RawDataPacket>(rawFrame(0x1010, QByteArray(4, 0) + "not json")));
    EXPECT_EQ(capture.lines().back(),
              "There are no packet acceptors registered for packets of type ");
    // A distributor takes any class, so distributors can be chained.
    EXPECT_TRUE(distributor.canAcceptPacket("Delta"));
}

TEST(Distributor, RegistryEntryLivesWithTheDistributor) {
    auto& registry = RawDataPacketReceiverInterfaceBase::registry;
    const auto before = registry;
    const unsigned int key = 0x1010;
    {
        auto* parent = new QObject;
        QPointer<SerialisableDataPacketDistributor> first =
            new SerialisableDataPacketDistributor(parent);
        SerialisableDataPacketDistributor second(nullptr);
        // Also listed by hand for source instance 1: gone with it all the same.
        registry.insert(0x00011010, &second);
        EXPECT_EQ(registry.values(key).first(), &second) << "newest registered first";
        EXPECT_EQ(registry.count(key, first.data()), 1);
        delete parent;  // destroys the child distributor
        EXPECT_TRUE(first.isNull());
        EXPECT_EQ(registry.values(key), QList<RawDataPacketReceiverInterfaceBase*>{&second});
    }
    EXPECT_EQ(registry, before);
}

}  // namespace
}  // namespace Corvane
