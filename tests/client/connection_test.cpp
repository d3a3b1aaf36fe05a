#include "ClientTestSupport.h"
#include "client/NetworkConnection.h"
#include "packets/RawDataPacketReceiverInterface.h"
#include "packets/SerialisableDataPacket.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace Corvane {
namespace {

using Testing::rawFrame;
using Testing::waitUntil;

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
    Testing::ScriptedServer server;
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
        waitUntil([&] { return recorder.payloads.size() == complete; }, lastOfAFrame ? 5000 : 20);
        EXPECT_EQ(recorder.payloads.size(), complete) << end;
    }
}

TEST_F(Connection, NamedByItsLocalEndAndCarriesPacketsBothWays) {
    EXPECT_EQ(connection.getUniqueConnectionID(),
              NetworkConnection::makeUniqueIdentifier(server.client()->peerAddress(),
                                                      server.client()->peerPort()));
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

TEST(ConnectionSetUp, FailuresLeaveAnUnconnectedSocket) {
    Testing::LogCapture log;
    NetworkConnection connection;
    EXPECT_FALSE(connection.isConnectedToHost());
    EXPECT_FALSE(connection.connectToHost(std::unique_ptr<QTcpSocket>()));
    EXPECT_FALSE(connection.isConnectedToHost());
    quint16 closedPort = Testing::ScriptedServer().port();
    EXPECT_FALSE(connection.connectToHost(QStringLiteral("127.0.0.1"), closedPort));
    EXPECT_TRUE(connection.getUniqueConnectionID().isEmpty());
    EXPECT_TRUE(log.contains("QAbstractSocket::ConnectionRefusedError"));
    connection.acceptPacket(SerialisableDataPacket("Lost"));  // silently nothing
}

TEST(ConnectionNames, IdentifiersAndSocketErrors) {
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

}  // namespace
}  // namespace Corvane
