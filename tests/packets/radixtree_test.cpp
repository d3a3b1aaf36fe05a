#include "PacketTestHelpers.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include "datacore/DatacoreBase.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "support/JsonText.h"
#include "support/LogCapture.h"

using namespace Corvane;

namespace {

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
              Testing::jsonObject(R"({"Core":"status","Kids":[{"Core":"audio"},
                       {"Core":"video","Kids":[{"Core":"standard"}]}]})"));

    const auto received = Testing::rebuilt<DatacorePathRadixTreePacket>(Testing::frameOf(sent));
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

TEST(RadixTreePacket, MalformedShapesRebuildLeniently) {
    const std::vector<std::pair<const char*, RadixTreeNode>> cases = {
        {R"({})", {}},
        {R"({"Core":5,"Kids":[{"Core":"a"}]})", {"", {leaf("a")}}},
        {R"({"Core":"r","Kids":[3,"x",{"Core":"b"}]})", {"r", {leaf(""), leaf(""), leaf("b")}}},
        {R"({"Core":"r","Kids":{"Core":"a"}})", leaf("r")},
    };
    const DatacorePathRadixTreePacket packet;
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(packet.getRadixTreeFromJson(Testing::jsonObject(text)), expected) << text;
    }

    DatacorePathRadixTreePacket odd;
    odd.setJsonObject(Testing::jsonObject(R"({"Class":"DatacorePathRadixTreePacket","ClientId":12,
                                "StatusTreeObject":"status","ConfigTreeObject":[]})"));
    EXPECT_FALSE(odd.containsClientId());
    EXPECT_EQ(odd.getDestinationClientId(), "");
    EXPECT_FALSE(odd.containsStatusTree());
    EXPECT_FALSE(odd.containsConfigTree());
    EXPECT_EQ(odd.getRootNodeForStatusTree(), RadixTreeNode{});
}

TEST(RadixTreePacket, OverlyDeepShapeIsCutOffAndLogged) {
    const int levels = DatacorePathRadixTreePacket::maxTreeDepth + 40;
    QJsonObject shape{{"Core", "bottom"}};
    for (int i = 0; i < levels - 1; ++i) {
        shape = QJsonObject{{"Core", QString::number(i)}, {"Kids", QJsonArray{shape}}};
    }
    Testing::LogCapture log;
    RadixTreeNode node = DatacorePathRadixTreePacket().getRadixTreeFromJson(shape);
    int depth = 1;
    for (const RadixTreeNode* n = &node; !n->children.empty(); n = &n->children.front()) {
        ++depth;
    }
    EXPECT_EQ(depth, DatacorePathRadixTreePacket::maxTreeDepth);
    EXPECT_TRUE(log.contains("deeper than"));
}

}  // namespace
