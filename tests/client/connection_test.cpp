#include "ClientTestSupport.h"
#include "client/NetworkConnection.h"
#include "packets/RawDataPacketReceiverInterface.h"
#include "packets/SerialisableDataPacket.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <vector>

namespace Corvane {
namespace {

using Testing::rawFrame;
using Testing::ScriptedServer;
using Testing::waitUntil;

// Lists what the connection delivers under one registry key.
class Recorder : public RawDataPacketReceiverInterfaceBase {
public:
    explicit Recorder(quint16 identifier = 0x1011, quint16 source = 0)
        : RawDataPacketReceiverInterfaceBase(makeRegistryKey(identifier, source)) {
        insertIntoRegistry();
    }
    void receiveRawDataPacket(std::shared_ptr<const RawDataPacket> packet) override {
        received.push_back(std::move(packet));
    }
    std::vector<QByteArray> payloads() const {
        std::vector<QByteArray> out;
        for (const auto& packet : received) {
            out.push_back(packet->getPayloadFromPacket());
        }
        return out;
    }
    std::vector<std::shared_ptr<const RawDataPacket>> received;
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

TEST_F(Connection, CutsTheStreamIntoFrames) {
    struct Case {
        const char* what;
        QByteArray bytes;
        std::vector<QByteArray> delivered;
    };
    const Case cases[] = {
        {"two frames in one read", alpha + bravo, {"alpha", "bravo!!"}},
        {"garbage first", QByteArray("\x00\x01\x02", 3) + alpha, {"alpha"}},
        {"zero-length payload", rawFrame(0x1011, "") + alpha, {"", "alpha"}},
        {"identifier nobody listens for", rawFrame(0x1012, "x") + alpha, {"alpha"}},
        {"source instance nobody listens for", rawFrame(0x1011, 1, "x", 1) + alpha, {"alpha"}},
        {"negative length", rawFrame(0x1011, -1, "") + alpha, {"alpha"}},
        {"length above the maximum",
         rawFrame(0x1011, RawDataPacket::maxPayloadLength + 1, "") + bravo,
         {"bravo!!"}},
    };
    for (const Case& c : cases) {
        recorder.received.clear();
        server.send(c.bytes);
        EXPECT_TRUE(waitUntil([&] { return recorder.received.size() >= c.delivered.size(); }))
            << c.what;
        EXPECT_TRUE(server.quiet());
        EXPECT_EQ(recorder.payloads(), c.delivered) << c.what;
    }
}

TEST_F(Connection, FrameSplitAtEveryByteIsDeliveredOnceItsLastByteArrives) {
    const QByteArray bytes = "zz" + alpha + bravo;
    for (int i = 0; i < bytes.size(); ++i) {
        server.send(bytes.mid(i, 1));
        const size_t complete = (i + 1 >= 2 + alpha.size()) + (i + 1 == bytes.size());
        if (i + 1 == 2 + alpha.size() || i + 1 == bytes.size()) {
            EXPECT_TRUE(waitUntil([&] { return recorder.received.size() == complete; })) << i;
        } else {
            Testing::settle(2);
            EXPECT_EQ(recorder.received.size(), complete) << i;
        }
    }
    EXPECT_EQ(recorder.payloads(), (std::vector<QByteArray>{"alpha", "bravo!!"}));
}

TEST_F(Connection, OnePacketSharedByEveryReceiverNewestFirst) {
    std::vector<int> order;
    struct Tagged : Recorder {
        Tagged(std::vector<int>& order, int tag) : order(order), tag(tag) {}
        void receiveRawDataPacket(std::shared_ptr<const RawDataPacket> packet) override {
            order.push_back(tag);
            Recorder::receiveRawDataPacket(std::move(packet));
        }
        std::vector<int>& order;
        int tag;
    };
    Tagged first(order, 1);
    Tagged second(order, 2);
    server.send(alpha);
    ASSERT_TRUE(waitUntil([&] { return first.received.size() == 1; }));
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(first.received[0], second.received[0]);
    EXPECT_EQ(first.received[0], recorder.received[0]);
}

TEST_F(Connection, IdentifiedByItsLocalEndAndReportsThePeerClosing) {
    EXPECT_TRUE(connection.isConnectedToHost());
    EXPECT_EQ(connection.getUniqueConnectionID(),
              NetworkConnection::makeUniqueIdentifier(server.client()->peerAddress(),
                                                      server.client()->peerPort()));
    QSignalSpy lost(&connection, &NetworkConnection::disconnectedFromHost);
    server.client()->disconnectFromHost();
    EXPECT_TRUE(waitUntil([&] { return lost.count() == 1; }));
    connection.disconnectFromHost();
    EXPECT_FALSE(connection.isConnectedToHost());
}

TEST_F(Connection, AdoptedSocketCarriesPacketsBothWays) {
    NetworkConnection serverEnd(nullptr, true);
    EXPECT_TRUE(serverEnd.isServerEnd());
    std::unique_ptr<QTcpSocket> accepted = server.takeClient();
    ASSERT_TRUE(serverEnd.connectToHost(std::move(accepted)));
    EXPECT_FALSE(accepted);  // no socket before
    EXPECT_EQ(serverEnd.getUniqueConnectionID(),
              NetworkConnection::makeUniqueIdentifier(QHostAddress(QHostAddress::LocalHost),
                                                      server.port()));
    Recorder json(PacketIdentifier::serialisable);
    connection.acceptPacket(SerialisableDataPacket("Ping"));
    ASSERT_TRUE(waitUntil([&] { return json.received.size() == 1; }));
    serverEnd.sendRawPacket(json.received[0]);
    ASSERT_TRUE(waitUntil([&] { return json.received.size() == 2; }));
    EXPECT_EQ(std::dynamic_pointer_cast<const SerialisableDataPacket>(json.received[1])
                  ->getPacketClassName(),
              "Ping");
}

TEST(ConnectionSetUp, FailuresLeaveAnUnconnectedSocket) {
    Testing::LogCapture log;
    NetworkConnection connection;
    EXPECT_FALSE(connection.isConnectedToHost());
    EXPECT_FALSE(connection.connectToHost(std::unique_ptr<QTcpSocket>()));
    EXPECT_FALSE(connection.isConnectedToHost());
    EXPECT_TRUE(connection.getUniqueConnectionID().isEmpty());

    quint16 closedPort = 0;
    {
        ScriptedServer gone;
        closedPort = gone.port();
    }
    EXPECT_FALSE(connection.connectToHost(QStringLiteral("127.0.0.1"), closedPort));
    waitUntil([&] { return log.contains("QAbstractSocket::ConnectionRefusedError"); });
    EXPECT_TRUE(log.contains("QAbstractSocket::ConnectionRefusedError"));
    // Sending without a link is silently nothing.
    connection.acceptPacket(SerialisableDataPacket("Lost"));
}

TEST(ConnectionNames, IdentifiersAndSocketErrors) {
    EXPECT_EQ(NetworkConnection::makeUniqueIdentifier(QHostAddress("192.168.1.10"), 50000),
              "323223578650000");
    EXPECT_EQ(NetworkConnection::makeUniqueIdentifier(QHostAddress("::1"), 80), "080");
    const std::pair<int, const char*> errors[] = {
        {-1, "QAbstractSocket::UnknownSocketError"},
        {0, "QAbstractSocket::ConnectionRefusedError"},
        {12, "QAbstractSocket::ProxyAuthenticationRequiredError"},
        {13, "illegal value for QAbstractSocket::SocketError: 13"},
        {14, "QAbstractSocket::ProxyConnectionRefusedError"},
        {18, "QAbstractSocket::ProxyProtocolError"},
        {19, "illegal value for QAbstractSocket::SocketError: 19"},
        {-2, "illegal value for QAbstractSocket::SocketError: -2"},
    };
    for (const auto& [value, text] : errors) {
        EXPECT_EQ(NetworkConnection::socketErrorAsString(
                      static_cast<QAbstractSocket::SocketError>(value)),
                  text);
    }
}

}  // namespace
}  // namespace Corvane

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
