// The client library: datacores, registry and lane model on their own, then
// the connection and the mirrored datacores against a server the test plays.

#include "ClientTestSupport.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreMonitor.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/DatacoreConnectionBuilderBase.h"
#include "client/NetworkConnection.h"
#include "client/SdiOutputGroupLaneMapModel.h"
#include "client/TqClientDatacoreManager.h"
#include "datacore/DatacoreBase.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/RawDataPacketReceiverInterface.h"
#include "packets/SerialisableDataPacket.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <utility>

namespace Corvane {
namespace {

using namespace Testing;

TEST(ClientDatacore, SetDataConvertsToText) {
    using Set = std::function<void(ClientDatacore&)>;
    const std::pair<Set, QStringList> cases[] = {
        {[](auto& d) { d.setDataStringList(QString("a,,c").split(',')); }, {"a", "", "c"}},
        {[](auto& d) { d.setDataBool(false); }, {"false"}},
        {[](auto& d) { d.setDataInt16(-32768); }, {"-32768"}},
        {[](auto& d) { d.setDataUint(4294967295u); }, {"4294967295"}},
        {[](auto& d) { d.setDataInt64(INT64_MIN); }, {"-9223372036854775808"}},
        {[](auto& d) { d.setDataIntList(QList<int>() << 3 << -1 << 0); }, {"3", "-1", "0"}},
        {[](auto& d) { d.setDataUint64List(QList<uint64_t>() << 0 << UINT64_MAX); },
         {"0", "18446744073709551615"}},
        {[](auto& d) { d.setDataInt64List(QList<int64_t>()); }, {}},
        {[](auto& d) { d.setDataDouble(0.1); }, {"0.10000000000000000555"}},
        {[](auto& d) { d.setDataFloat(0.1f); }, {"0.10000000149011611938"}},
        {[](auto& d) { d.setDataPoint(QPoint(3, -4)); }, {"3,-4"}},
        {[](auto& d) { d.setDataSize(QSize(640, 480)); }, {"640,480"}},
        {[](auto& d) { d.setDataTo1(); }, {"1"}},
    };
    for (const auto& [set, expected] : cases) {
        SCOPED_TRACE(expected.join(',').toStdString());
        ClientDatacore datacore("ClientDatacore", "d", nullptr, "root/d");
        QSignalSpy sent(&datacore, &ClientDatacore::clientDatacoreHasUpdateForServer);
        set(datacore);
        const auto& data = datacore.getDataArray();
        EXPECT_EQ(QStringList(data.begin(), data.end()), expected);
        set(datacore);  // the value it already holds is no change
        EXPECT_EQ(sent.count(), 1);
    }
}

TEST(ClientDatacoreRegistry, PopulatesFromPathsOnceAndClears) {
    struct Case {
        QStringList paths;
        std::vector<std::pair<QString, QString>> created;  // path, instance name
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {{"status", "status/input1", "status/input1/"},
         {{"status", "status"}, {"status/input1", "input1"}},
         {"No delimiter, assuming root datacore and creating ClientDatacore for: status",
          "Cannot create datacore with incomplete path: status/input1/"}},
        {{"a/b", "a/b"},
         {{"a/b", "b"}},
         {"ClientDatacoreRegistry: Cannot create two cores for path 'a/b'."}},
        {{}, {}, {}},
    };
    for (const auto& [paths, created, errors] : cases) {
        LogCapture log;
        NetworkConnection connection;
        ClientDatacoreMonitor monitor(connection);
        ClientDatacoreRegistry registry(connection);
        QSignalSpy populated(&registry, &ClientDatacoreRegistry::registryHasBeenPopulated);
        QSignalSpy cleared(&registry, &ClientDatacoreRegistry::registryHasBeenCleared);
        registry.clearRegistry();
        EXPECT_EQ(cleared.count(), 0);

        registry.populateRegistry(paths, monitor);
        EXPECT_EQ(populated.count(), 1);
        for (const auto& [path, name] : created) {
            const ClientDatacore* datacore = registry.lookupDatacoreFromPath(path);
            ASSERT_TRUE(datacore);
            EXPECT_EQ(datacore->getInstanceName(), name);
            EXPECT_EQ(datacore->getDatacorePathOnServer(), path);
        }
        EXPECT_EQ(log.lines(), errors);

        registry.populateRegistry({"x/y"}, monitor);  // not while populated
        EXPECT_EQ(registry.lookupDatacoreFromPath("x/y") != nullptr, paths.isEmpty());
        EXPECT_EQ(populated.count(), paths.isEmpty() ? 2 : 1);

        registry.onDisconnectedFromServer();
        EXPECT_TRUE(registry.isEmpty());
        EXPECT_EQ(cleared.count(), 1);
    }
}

TEST(SdiOutputGroupLaneMapModel, KeepsAtLeastFourLanesAndNeverShrinks) {
    const std::tuple<QStringList, std::vector<int>, bool> steps[] = {
        {{}, {0, 0, 0, 0}, true},  // the first update always counts
        {{"0", "0"}, {0, 0, 0, 0}, false},
        {{"1", "2", "3", "4"}, {1, 2, 3, 4}, true},
        {{"1", "2", "3", "4"}, {1, 2, 3, 4}, false},
        {{"7", "-1", "x", "2", "5"}, {0, 0, 0, 2, 0}, true},
        {{"1", "2", "3", "4", "4", "3", "2", "1"}, {1, 2, 3, 4, 4, 3, 2, 1}, true},
        {{"1", "2", "3", "4"}, {1, 2, 3, 4, 4, 3, 2, 1}, false},
    };
    LogCapture log;
    SdiOutputGroupLaneMapModel model;
    QSignalSpy changed(&model, &SdiOutputGroupLaneMapModel::toUser_LaneModelChanged);
    for (const auto& [data, lanesAfter, signalled] : steps) {
        changed.clear();
        model.fromDatacoreUpdateLaneSources(data, {}, true);
        const auto& lanes = model.getLaneModel();
        EXPECT_EQ(std::vector<int>(lanes.begin(), lanes.end()), lanesAfter)
            << data.join(',').toStdString();
        ASSERT_EQ(changed.count(), signalled ? 1 : 0);
        if (signalled) {
            EXPECT_EQ(changed[0][0].value<QList<SdiOutputGroupLaneMapModel::LaneSource>>(), lanes);
        }
    }
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "Invalid lane datacore passed to IOGroupLaneModel, ignoring"});
}

// Keeps what the connection delivers under one registry key.
struct Recorder : RawDataPacketReceiverInterfaceBase {
    explicit Recorder(quint16 identifier = 0x1011)
        : RawDataPacketReceiverInterfaceBase(makeRegistryKey(identifier, 0)) {
        insertIntoRegistry();
    }
    void receiveRawDataPacket(std::shared_ptr<const RawDataPacket> packet) override {
        payloads.push_back(packet->getPayloadFromPacket());
        packets.push_back(std::move(packet));
    }
    std::vector<QByteArray> payloads;
    std::vector<std::shared_ptr<const RawDataPacket>> packets;
};

class Connection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port()));
        ASSERT_TRUE(server.accept());
    }
    ScriptedServer server;
    NetworkConnection connection;
    Recorder recorder;
};

const QByteArray alpha = rawFrame(0x1011, "alpha");
const QByteArray bravo = rawFrame(0x1011, "bravo!!");

TEST_F(Connection, CutsTheStreamIntoFramesAndSharesEachPacket) {
    const std::pair<QByteArray, std::vector<QByteArray>> cases[] = {
        {alpha + bravo, {"alpha", "bravo!!"}},
        {QByteArray("\x00\x01\x02", 3) + alpha, {"alpha"}},
        {rawFrame(0x1011, "") + alpha, {"", "alpha"}},
        {rawFrame(0x1012, "nobody listens") + alpha, {"alpha"}},
        {rawFrame(0x1011, 1, "x", 1) + alpha, {"alpha"}},  // nor to source 1
        {rawFrame(0x1011, -1, "") + alpha, {"alpha"}},
        {rawFrame(0x1011, RawDataPacket::maxPayloadLength + 1, "") + bravo, {"bravo!!"}},
    };
    for (const auto& [bytes, delivered] : cases) {
        Recorder newer;
        recorder.payloads.clear();
        server.send(bytes);
        const size_t expected = delivered.size();  // (a lambda cannot capture a binding in C++17)
        waitUntil([&] { return recorder.payloads.size() >= expected; });
        EXPECT_TRUE(server.quiet());
        EXPECT_EQ(recorder.payloads, delivered) << bytes.toHex().constData();
        ASSERT_EQ(newer.packets.size(), delivered.size());
        EXPECT_EQ(newer.packets.back(), recorder.packets.back());  // built once
    }
}

TEST_F(Connection, FrameSplitAtEveryByteIsDeliveredOnceItsLastByteArrives) {
    const QByteArray bytes = "zz" + alpha + bravo;
    for (int end = 1; end <= bytes.size(); ++end) {
        server.send(bytes.mid(end - 1, 1));
        const size_t complete = (end >= 2 + alpha.size()) + (end == bytes.size());
        const bool lastOfAFrame = end == 2 + alpha.size() || end == bytes.size();
        waitUntil([&] { return recorder.payloads.size() == complete; }, lastOfAFrame ? 30000 : 20);
        EXPECT_EQ(recorder.payloads.size(), complete) << end;
    }
}

TEST_F(Connection, NamedByItsLocalEndAndCarriesPacketsBothWays) {
    EXPECT_EQ(connection.getUniqueConnectionID(),
              NetworkConnection::makeUniqueIdentifier(server.socket()->peerAddress(),
                                                      server.socket()->peerPort()));
    NetworkConnection serverEnd(nullptr, true);
    std::unique_ptr<QTcpSocket> socket = server.takeClient();
    ASSERT_TRUE(serverEnd.connectToHost(std::move(socket)));
    EXPECT_FALSE(socket);  // it had none before
    Recorder json(PacketIdentifier::serialisable);
    connection.acceptPacket(SerialisableDataPacket("Ping"));
    ASSERT_TRUE(waitUntil([&] { return json.packets.size() == 1; }));
    serverEnd.sendRawPacket(json.packets[0]);
    ASSERT_TRUE(waitUntil([&] { return json.packets.size() == 2; }));
    EXPECT_EQ(json.payloads[1], json.payloads[0]);

    QSignalSpy lost(&connection, &NetworkConnection::disconnectedFromHost);
    serverEnd.disconnectFromHost();
    EXPECT_TRUE(waitUntil([&] { return lost.count() == 1; }));
    EXPECT_FALSE(serverEnd.isConnectedToHost());
}

TEST(ConnectionSetUp, FailuresLeaveAnUnconnectedSocketAndNameTheirError) {
    LogCapture log;
    NetworkConnection connection;
    EXPECT_FALSE(connection.connectToHost(std::unique_ptr<QTcpSocket>()));
    EXPECT_FALSE(connection.isConnectedToHost());
    quint16 closedPort = ScriptedServer().port();
    EXPECT_FALSE(connection.connectToHost(QStringLiteral("127.0.0.1"), closedPort));
    EXPECT_TRUE(connection.getUniqueConnectionID().isEmpty());
    EXPECT_TRUE(log.contains("QAbstractSocket::ConnectionRefusedError"));
    connection.acceptPacket(SerialisableDataPacket("Lost"));  // silently nothing
    EXPECT_EQ(NetworkConnection::makeUniqueIdentifier(QHostAddress("192.168.1.10"), 50000),
              "323223578650000");
    EXPECT_EQ(NetworkConnection::makeUniqueIdentifier(QHostAddress("::1"), 80), "080");
    const std::pair<int, const char*> errors[] = {
        {-1, "QAbstractSocket::UnknownSocketError"},
        {12, "QAbstractSocket::ProxyAuthenticationRequiredError"},
        {13, "illegal value for QAbstractSocket::SocketError: 13"},
        {14, "QAbstractSocket::ProxyConnectionRefusedError"},
        {19, "illegal value for QAbstractSocket::SocketError: 19"},
    };
    for (const auto& [value, text] : errors) {
        EXPECT_EQ(NetworkConnection::socketErrorAsString(
                      static_cast<QAbstractSocket::SocketError>(value)),
                  text);
    }
}

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
    DatacorePacket echo(int packetId, const QString& data, const QString& client = QString()) {
        return DatacorePacket(client.isNull() ? connection.getUniqueConnectionID() : client,
                              packetId, QJsonObject{{"sdi1", QJsonObject{{"data", data}}}},
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

    LogCapture capture;
    ScriptedServer server;
    NetworkConnection connection;
    SerialisableDataPacketDistributor distributor;
    TqClientDatacoreManager manager{connection, distributor};
    Builder builder{manager.getClientDatacoreRegistry()};
    QStringList log;
};

TEST_F(Mirror, LocalChangesGoOutAndOnlyTheLastEchoBringsTheServersState) {
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

    // Others' changes apply at once, ours only at the last echo; in sync
    // again, identifiers start over.
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

    builder.sdi1->setDataInt(4);
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

    server.socket()->disconnectFromHost();
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

// ---- slots and receivers that re-enter what is calling them ----

// Makes `count` local changes, each of which queues the next identifier.
void changeLocally(ClientDatacore& d, int count) {
    for (int i = 0; i < count; ++i) {
        d.setDataInt(d.getData().toInt() + 1);
    }
}

TEST(Reentry, LostPacketsSlotThatChangesTheDatacoreKeepsItsNewChangesQueued) {
    struct Case {
        int outstanding, echoed, madeBySlot;  // the slot's changes get the next identifiers
        int lost, lastId, lostAtLast;
    };
    // Enough changes in the slot that the queue's storage moves.
    const Case cases[] = {
        {639, 638, 4096, 639, 4734, 4096},
        {639, 300, 1000, 301, 1638, 338 + 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.echoed);
        ClientDatacore d("ClientDatacore", "d", nullptr, "root/d");
        changeLocally(d, c.outstanding);
        QSignalSpy lost(&d, &ClientDatacore::lostPackets);
        QSignalSpy inSync(&d, &ClientDatacore::datacoreInSyncWithServer);
        bool once = true;
        QObject::connect(&d, &ClientDatacore::lostPackets, [&] {
            if (std::exchange(once, false)) {
                changeLocally(d, c.madeBySlot);
            }
        });
        const auto echo = [&](int id) {
            DatacorePacket packet("me", id, QJsonObject{{"d", QJsonObject{{"data", "server"}}}},
                                  "root/d");
            return d.populateDataFromDatacorePacket(packet, true);
        };
        EXPECT_FALSE(echo(c.echoed));  // the slot's changes are still on their way
        EXPECT_NE(d.getData(), "server");
        EXPECT_TRUE(echo(c.lastId));
        EXPECT_EQ(d.getData(), "server");
        ASSERT_EQ(lost.count(), 2);
        EXPECT_EQ(lost[0][0].toInt(), c.lost);
        EXPECT_EQ(lost[1][0].toInt(), c.lostAtLast);  // exactly the front p + 1 went
        EXPECT_EQ(inSync.count(), 1);
    }
}

TEST(Reentry, DatacoresAskedForDuringARefreshWaitForTheNextOne) {
    for (int uses : {1, 319}) {
        NetworkConnection connection;
        ClientDatacoreMonitor monitor(connection);
        ClientDatacoreRegistry registry(connection);
        Builder builder(registry);
        registry.populateRegistry({sdi1Path}, monitor);
        ASSERT_TRUE(builder.sdi1);
        for (int i = 1; i < uses; ++i) {
            builder.getDatacoreFromOrphanedPathAndRegisterUsage("input/sdi1",
                                                                ServerCommon::statusTree);
        }
        // Every refresh asks for the datacore once more, growing the list walked.
        QObject::connect(builder.sdi1, &ClientDatacore::datacoreUpdated, [&] {
            builder.getDatacoreFromOrphanedPathAndRegisterUsage("input/sdi1",
                                                                ServerCommon::statusTree);
        });
        QSignalSpy updated(builder.sdi1, &ClientDatacore::datacoreUpdated);
        builder.requestUtilisedDatacoresPopulateConnectedGuiItems();
        EXPECT_EQ(updated.count(), uses);
        builder.requestUtilisedDatacoresPopulateConnectedGuiItems();
        EXPECT_EQ(updated.count(), uses + 2 * uses);
    }
}

TEST(Reentry, AcceptorsRegisteredDuringDeliveryTakeTheNextPacket) {
    // Calls `onPacket` with each packet's class name.
    struct Acceptor : SerialisableDataPacketAcceptorInterface {
        std::function<void(const QString&)> onPacket;
        bool canAcceptPacket(QString) override { return true; }
        void acceptPacket(const SerialisableDataPacket& packet) override {
            onPacket(packet.getPacketClassName());
        }
    };
    SerialisableDataPacketDistributor distributor;
    QStringList log;
    Acceptor late[2];
    for (int i = 0; i < 2; ++i) {
        late[i].onPacket = [&log, i](const QString& name) {
            log << QString("%1:%2").arg(i).arg(name);
        };
    }
    Acceptor first;
    int registered = 0;
    first.onPacket = [&](const QString& name) {
        log << "first:" + name;
        distributor.registerPacketAcceptor(&late[registered++], name);
    };
    distributor.registerPacketAcceptor(&first, QString("Ping"));
    distributor.acceptPacket(SerialisableDataPacket("Ping"));
    distributor.acceptPacket(SerialisableDataPacket("Ping"));
    EXPECT_EQ(log.join(' ').toStdString(), "first:Ping first:Ping 0:Ping");
}

// Drops another receiver of the same packets each time it gets one.
struct Dropper : RawDataPacketReceiverInterfaceBase {
    explicit Dropper(std::unique_ptr<Recorder>& victim)
        : RawDataPacketReceiverInterfaceBase(makeRegistryKey(0x1011, 0)), victim(victim) {
        insertIntoRegistry();
    }
    void receiveRawDataPacket(std::shared_ptr<const RawDataPacket>) override {
        ++calls;
        victim.reset();
    }
    std::unique_ptr<Recorder>& victim;
    int calls = 0;
};

TEST_F(Connection, ReceiverDestroyedDuringDeliveryIsNotCalled) {
    auto older = std::make_unique<Recorder>();
    Dropper newer(older);  // newest first: called before `older`
    server.send(alpha + bravo);
    ASSERT_TRUE(waitUntil([&] { return recorder.payloads.size() == 2; }));
    EXPECT_EQ(newer.calls, 2);
    EXPECT_FALSE(older);
}

}  // namespace
}  // namespace Corvane
