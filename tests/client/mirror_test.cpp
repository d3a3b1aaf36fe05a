#include "ClientTestSupport.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/DatacoreConnectionBuilderBase.h"
#include "client/NetworkConnection.h"
#include "client/TqClientDatacoreManager.h"
#include "datacore/DatacoreBase.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace Corvane {
namespace {

using Testing::waitUntil;

const QString sdi1Path = "statusCoreRouter/input/sdi1";

// Wants the one status datacore input/sdi1.
class Builder : public DatacoreConnectionBuilderBase {
public:
    using DatacoreConnectionBuilderBase::DatacoreConnectionBuilderBase;
    ClientDatacore* sdi1 = nullptr;

protected:
    void connectDatacoresToGui() override {
        sdi1 = getDatacoreFromOrphanedPathAndRegisterUsage("input/sdi1", ServerCommon::statusTree);
    }
};

// The status tree statusCoreRouter/input/{sdi1, sdi2}, plus `extra` under input.
DatacorePathRadixTreePacket trees(const QString& extra = QString()) {
    DatacoreBase root("statusCoreRouter", nullptr);
    DatacoreBase input("input", &root);
    DatacoreBase sdi1("sdi1", &input);
    DatacoreBase sdi2("sdi2", &input);
    DatacoreBase more(extra, extra.isEmpty() ? nullptr : &input);
    DatacorePathRadixTreePacket packet;
    packet.setStatusTree(root);
    return packet;
}

// The names of a datacore's signals in the order they come.
void recordSignals(ClientDatacore* d, QStringList& log) {
    const auto note = [&log](const char* name) { return [&log, name] { log << name; }; };
    QObject::connect(d, &ClientDatacore::datacoreUpdated, note("updated"));
    QObject::connect(d, &ClientDatacore::clientDatacoreHasUpdateForServer, note("forServer"));
    QObject::connect(d, &ClientDatacore::datacoreOutOfSyncWithServer, note("outOfSync"));
    QObject::connect(d, &ClientDatacore::datacoreInSyncWithServer, note("inSync"));
    QObject::connect(d, &ClientDatacore::datacoreDataIsValid, note("valid"));
    QObject::connect(d, &ClientDatacore::datacoreDataIsInvalid, note("invalid"));
    QObject::connect(d, &ClientDatacore::lostPackets,
                     [&log](int n) { log << QString("lost %1").arg(n); });
}

class Mirror : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(link()); }

    // Connects, and the server describes its trees.
    bool link() {
        builder.sdi1 = nullptr;
        if (!connection.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port()) ||
            !server.accept()) {
            return false;
        }
        server.send(trees());
        if (!waitUntil([&] { return builder.sdi1 != nullptr; })) {
            return false;
        }
        recordSignals(builder.sdi1, log);
        return true;
    }
    // What the server sends back for sdi1: `data` under packet identifier
    // `packetId`, for the client `client` (this one unless said otherwise).
    DatacorePacket echo(int packetId, const QString& data, QString client = QString()) {
        if (client.isNull()) {
            client = NetworkConnection::makeUniqueIdentifier(server.client()->peerAddress(),
                                                             server.client()->peerPort());
        }
        return DatacorePacket(client, packetId, QJsonObject{{"sdi1", QJsonObject{{"data", data}}}},
                              sdi1Path);
    }
    // The packet identifier of the next change the client sends.
    int nextSentId() {
        const auto sent = server.next<DatacorePacket>();
        return sent ? sent->getPacketID() : -100;
    }
    bool holds(const QString& data) {
        return waitUntil([&] { return builder.sdi1 && builder.sdi1->getData() == data; });
    }

    Testing::LogCapture capture;
    Testing::ScriptedServer server;
    NetworkConnection connection;
    SerialisableDataPacketDistributor distributor;
    TqClientDatacoreManager manager{connection, distributor};
    Builder builder{manager.getClientDatacoreRegistry()};
    QStringList log;
};

TEST_F(Mirror, LocalChangeGoesOutAndItsEchoBringsTheServersState) {
    builder.sdi1->setDataInt(5);
    EXPECT_EQ(log, QStringList({"updated", "valid", "outOfSync", "forServer"}));
    const auto sent = server.next<DatacorePacket>();
    ASSERT_TRUE(sent);
    EXPECT_EQ(*sent, echo(0, "5"));  // client, packet identifier, path, data only

    log.clear();
    server.send(echo(0, "4"));  // the server had its own idea
    EXPECT_TRUE(holds("4"));
    EXPECT_EQ(log, QStringList({"inSync", "updated", "valid"}));
    EXPECT_TRUE(server.quiet());  // what came from the server does not go back
}

TEST_F(Mirror, OthersChangesApplyAtOnceOursOnlyAtTheLastEcho) {
    for (int value : {1, 2, 3}) {
        builder.sdi1->setDataInt(value);
        EXPECT_EQ(nextSentId(), value - 1);
    }
    log.clear();
    server.send(echo(0, "9", "someone else"));  // applied although ours are pending
    EXPECT_TRUE(holds("9"));
    server.send(echo(5, "never"));  // not one of ours
    server.send(echo(0, "1"));      // ours, but a newer one is pending
    server.send(echo(2, "3s"));
    EXPECT_TRUE(holds("3s"));
    EXPECT_EQ(log, QStringList({"updated", "valid", "lost 2", "inSync", "updated", "valid"}));

    builder.sdi1->setDataInt(4);  // in sync again: identifiers start over
    EXPECT_EQ(nextSentId(), 0);
}

TEST_F(Mirror, LaterTreesAreIgnoredUntilTheLinkDrops) {
    ClientDatacoreRegistry& registry = manager.getClientDatacoreRegistry();
    QSignalSpy gained(&builder, &DatacoreConnectionBuilderBase::connectionToDatacoresGained);
    QSignalSpy lost(&builder, &DatacoreConnectionBuilderBase::connectionToDatacoresLost);
    server.send(trees("sdi3"));
    server.send(DatacorePacket(QJsonObject(), "statusCoreRouter/input/sdi3"));
    EXPECT_TRUE(waitUntil([&] {
        return capture.contains(
            "Client datacore populator: Registry does not contain datacore with path: "
            "statusCoreRouter/input/sdi3");
    }));
    EXPECT_EQ(gained.count(), 0);

    server.client()->disconnectFromHost();
    EXPECT_TRUE(waitUntil([&] { return lost.count() == 1; }));
    EXPECT_TRUE(registry.isEmpty());
    builder.requestUtilisedDatacoresPopulateConnectedGuiItems();  // nothing left to refresh

    ASSERT_TRUE(link());
    EXPECT_EQ(gained.count(), 1);
    EXPECT_EQ(lost.count(), 1);
    capture.clear();
    EXPECT_FALSE(builder.getDatacoreFromOrphanedPathAndRegisterUsage(
        "input/sdi1", static_cast<ServerCommon::DatacoreTree>(4)));
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"Invalid server side datatree specified",
                                        "Invalid path, constructed from  and input/sdi1"}));
    for (const QString& path : {QString("statusCoreRouter"), QString("statusCoreRouter/input"),
                                sdi1Path, QString("statusCoreRouter/input/sdi2")}) {
        EXPECT_TRUE(registry.lookupDatacoreFromPath(path)) << path.toStdString();
    }
}

}  // namespace
}  // namespace Corvane
