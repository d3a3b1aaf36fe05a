#include "PacketTestHelpers.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/SerialisableDataPacket.h"
#include "support/JsonText.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonParseError>

namespace Corvane {
namespace {

using Testing::frameOf;
using Testing::LogCapture;
using Testing::rawFrame;
using Testing::rebuilt;
using Testing::take;

SerialisableDataPacket named(const QString& className, const QString& key, int value) {
    SerialisableDataPacket packet(className);
    QJsonObject object = packet.getJsonObject();
    object.insert(key, value);
    packet.setJsonObject(object);
    return packet;
}

// The factory builds a packet only from a whole frame with a valid header,
// and takes nothing else from the buffer.
TEST(PacketHeader, PeekClassifiesBufferAndFactoryTakesOnlyWholeFrames) {
    struct Case {
        const char* what;
        QByteArray buffer;
        quint16 expected;
    };
    const QByteArray payload(5, 'p');
    const Case cases[] = {
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
    for (const Case& c : cases) {
        const RawDataPacket::Header header = RawDataPacket::peekHeader(c.buffer);
        EXPECT_EQ(header.packetIdentifier, c.expected) << c.what;
        const bool whole = c.expected > 1;
        QByteArray buffer = c.buffer;
        EXPECT_EQ(take(buffer) != nullptr, whole) << c.what;
        EXPECT_EQ(buffer, whole ? c.buffer.mid(8 + header.payloadLength) : c.buffer) << c.what;
        // The same bytes behind a complete frame, reached by offset.
        EXPECT_EQ(RawDataPacketFactory::createPacketFromDataBufferAt(front + c.buffer,
                                                                     front.size()) != nullptr,
                  whole)
            << c.what;
    }
    EXPECT_TRUE(RawDataPacketFactory::createPacketFromDataBufferAt("xy" + front, 2));
    EXPECT_FALSE(RawDataPacketFactory::createPacketFromDataBufferAt(front, -1));
    EXPECT_FALSE(RawDataPacketFactory::createPacketFromDataBufferAt(front, front.size() + 1));
    const RawDataPacket::Header header = RawDataPacket::peekHeader(rawFrame(0x1012, 7, "", 9));
    EXPECT_EQ(header.sourceInstanceIdentifier, 9);
    EXPECT_EQ(header.payloadLength, 7);
}

TEST(JsonPacket, PayloadIsLengthPrefixedCompactText) {
    const QByteArray payload = SerialisableDataPacket("X").getSerialisedPayloadForTransmit();
    EXPECT_EQ(payload, QByteArray::fromHex("0000000d") + R"({"Class":"X"})");

    // Header big-endian in declared order: identifier, source, payload length.
    const QByteArray frame = frameOf(named("Meter", "v", 12));
    EXPECT_EQ(frame.size(), 8 + 4 + 24);  // {"Class":"Meter","v":12}
    EXPECT_EQ(frame.left(12), QByteArray::fromHex("10100000 0000001c 00000018"));
}

TEST(JsonPacket, EmptyClassNameAndParseErrorsAreRefusedAndLogged) {
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
    SerialisableDataPacket outer = SerialisableDataPacket::fromJson(Testing::jsonObject(R"({
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
    EXPECT_EQ(full.getJsonObject(), Testing::jsonObject(R"({"Class": "DatacorePacket",
        "ClientID": "client-7", "PacketID": 41, "Path": "Root/Child", "Datacore": {"Value": 3}})"));
    EXPECT_EQ(full.getDatacoreJsonObject(), datacore);

    const DatacorePacket bare("DatacorePacket");
    EXPECT_FALSE(bare.containsClientID() || bare.containsPacketID() ||
                 bare.containsDatacorePath() || bare.containsDatacoreObject());
    EXPECT_EQ(bare.getPacketID(), -1);
    EXPECT_TRUE(bare.getDatacoreJsonObject().isEmpty());
}

// --- factory ------------------------------------------------------------

// JSON frames come back byte for byte, as the class their "Class" names.
TEST(Factory, JsonFramesRebuiltAsTheirClass) {
    const DatacorePacket sent("c", 2, QJsonObject{{"a", QJsonArray{1, "two", true}}}, "x/y");
    const QByteArray frame = frameOf(sent);
    const QByteArray half = frame.left(frame.size() / 2);
    QByteArray buffer = frame + frameOf(named("Whatever", "n", 1)) + half;

    const auto datacore = std::dynamic_pointer_cast<DatacorePacket>(take(buffer));
    ASSERT_TRUE(datacore);
    EXPECT_EQ(*datacore, sent);
    EXPECT_EQ(datacore->getHeaderFromPacket(),
              (RawDataPacket::Header{0x1010, 0, frame.size() - 8}));
    EXPECT_EQ(datacore->getPayloadFromPacket(), frame.mid(8));
    EXPECT_EQ(frameOf(*datacore), frame);

    const auto other = take(buffer);
    ASSERT_TRUE(other);
    EXPECT_FALSE(std::dynamic_pointer_cast<DatacorePacket>(other));
    EXPECT_FALSE(std::dynamic_pointer_cast<DatacorePathRadixTreePacket>(other));
    EXPECT_EQ(std::dynamic_pointer_cast<SerialisableDataPacket>(other)->getPacketClassName(),
              "Whatever");
    // The half frame behind them waits for the rest of its bytes.
    EXPECT_FALSE(take(buffer));
    EXPECT_EQ(buffer, half);
}

// The text is bounded by the frame, not by its length prefix; text that
// does not parse gives an empty class and a log line.
TEST(Factory, JsonTextBoundedByFrameAndUnparsableTextGivesEmptyClass) {
    const QByteArray text = R"({"Class":"K"})";
    const struct {
        QByteArray payload;
        const char* className;
        bool logged;
    } cases[] = {
        {QByteArray::fromHex("7fffffff") + text, "K", false},     // prefix claims far more
        {QByteArray(4, 0), "", true},                             // no text at all
        {QByteArray::fromHex("00000005") + "{\"a\":", "", true},  // cut short
        {QByteArray::fromHex("00000003") + "[1]", "", false},     // an array, not an object
        {QByteArray::fromHex("ffffffff") + "\xff\xfe", "", true},
        {QByteArray(4, 0) + R"({"Class":"K","b":[1],"b":[2]})", "", true},  // repeated key
    };
    for (const auto& c : cases) {
        LogCapture log;
        QByteArray buffer = rawFrame(0x1010, c.payload) + "{junk";
        const auto packet = std::dynamic_pointer_cast<SerialisableDataPacket>(take(buffer));
        ASSERT_TRUE(packet) << c.payload.toHex().constData();
        EXPECT_EQ(buffer, QByteArray("{junk"));
        EXPECT_EQ(packet->getPacketClassName(), c.className);
        EXPECT_EQ(packet->getJsonObject().contains("Class"), c.logged || *c.className);
        EXPECT_EQ(log.contains("SerialisablePacket failed to parse packet "), c.logged);
    }
    // A payload length smaller than the frame passed to the constructor.
    const SerialisableDataPacket cut(rawFrame(0x1010, QByteArray(4, 0) + text), 4 + 5);
    EXPECT_EQ(cut.getPacketClassName(), "");
}

}  // namespace
}  // namespace Corvane
