// corvane-datacored on loopback: raw clients speaking frames built with the
// packets library. (The client library against it: the monitor's tests.)

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include "client/ClientTestSupport.h"
#include "datacore_cli/DatacoredProcess.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"

using namespace Corvane;
using namespace Corvane::Testing;

namespace {

const QString patternPath = QStringLiteral("configCoreRouter/generator/pattern");

QJsonObject dataOf(const QString& name, const QJsonValue& data) {
    return {{name, QJsonObject{{"data", data}}}};
}

// What a client sends for a local change.
DatacorePacket change(const QString& path, const QJsonValue& data, int packetId = 1) {
    return DatacorePacket(QStringLiteral("client-1"), packetId,
                          dataOf(path.section(QLatin1Char('/'), -1), data), path);
}

// The node object inside a datacore packet.
QJsonObject nodeOf(const DatacorePacket& packet) {
    const QJsonObject datacore = packet.getDatacoreJsonObject();
    return datacore.value(packet.getDatacorePath().section(QLatin1Char('/'), -1)).toObject();
}

void appendPaths(const RadixTreeNode& node, const QString& prefix, QStringList& paths) {
    paths << prefix + node.name;
    for (const RadixTreeNode& child : node.children) {
        appendPaths(child, prefix + node.name + QLatin1Char('/'), paths);
    }
}

// A client on a raw socket.
class Peer : public PacketLink {
public:
    explicit Peer(quint16 port) {
        socket_->connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket_->waitForConnected(5000));
    }
    // The next packet the server sent; an empty one when none came in time.
    template <typename T = DatacorePacket>
    std::shared_ptr<T> next() {
        auto typed = PacketLink::next<T>();
        EXPECT_NE(typed, nullptr);
        return typed ? typed : std::make_shared<T>(QStringLiteral("none"));
    }
    // What every connection starts with: the path tree, then each path's
    // state, untracked. Returns the paths in the order a client lists them.
    QStringList readGreeting() {
        const auto tree = next<DatacorePathRadixTreePacket>();
        QStringList paths;
        for (const RadixTreeNode& root :
             {tree->getRootNodeForConfigTree(), tree->getRootNodeForStatusTree(),
              tree->getRootNodeForCommandTree(), tree->getRootNodeForPersistentConfigTree()}) {
            appendPaths(root, QString(), paths);
        }
        states.clear();
        for (const QString& path : paths) {
            states.push_back(next());
            EXPECT_EQ(states.back()->getDatacorePath(), path);
            EXPECT_FALSE(states.back()->containsClientID() || states.back()->containsPacketID());
        }
        return paths;
    }
    // Neither Qt nor (much) the kernel takes more: what the server sends
    // stays in its queue.
    void stopReading() {
        socket_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        socket_->setReadBufferSize(1);
    }
    bool closedByServer() {
        socket_->setReadBufferSize(0);  // to reach the end of what was sent
        return waitUntil([this] {
            socket_->readAll();
            return socket_->state() == QAbstractSocket::UnconnectedState;
        });
    }
    std::vector<std::shared_ptr<DatacorePacket>> states;  // as the greeting gave them
};

TEST(Datacored, AnswersGoToTheSenderAndChangesToEveryone) {
    // The request, and the data its answer holds (Undefined: no answer).
    const std::tuple<const char*, SerialisableDataPacket, QJsonValue> rows[] = {
        {"status tree is read-only",
         change("statusCoreRouter/input/sdi1/locked", QStringLiteral("false")),
         QStringLiteral("true")},
        {"object names another datacore",
         DatacorePacket("client-1", 1, dataOf("enabled", "false"), patternPath),
         QStringLiteral("100% Colour Bars")},
        {"unknown path", change("configCoreRouter/generator/nothing", QStringLiteral("x")),
         QJsonValue::Undefined},
        {"another class",
         SerialisableDataPacket::fromJson(
             {{"Class", "DatacorePathRadixTreePacket"}, {"Path", patternPath}}),
         QJsonValue::Undefined},
    };
    DatacoredProcess server;
    Peer sender(server.port()), other(server.port());
    const QStringList paths = sender.readGreeting();
    other.readGreeting();
    // The file's reasons reach clients as they stand: the server does not
    // recompute them.
    const auto noSignal =
        sender.states.at(paths.indexOf("statusCoreRouter/input/sdi3/payloadIdentifier"));
    EXPECT_EQ(
        nodeOf(*noSignal).value("reasonsForBeingInvalid")[0]["MessageBase"]["identifier"].toInt(),
        20);
    int sentinel = 0;
    for (const auto& [what, request, answeredData] : rows) {
        SCOPED_TRACE(what);
        sender.send(request);
        // A change that is applied afterwards: whatever the refused request
        // caused must come before its answer.
        sender.send(change("commandCoreRouter/identify", QString::number(++sentinel), 100));
        if (!answeredData.isUndefined()) {
            const auto answer = sender.next();
            EXPECT_EQ(answer->getPacketID(), 1);
            EXPECT_EQ(nodeOf(*answer).value("data"), answeredData);
        }
        const auto echo = sender.next(), passedOn = other.next();
        EXPECT_EQ(echo->getClientID().toStdString(), "client-1");
        EXPECT_EQ(echo->getPacketID(), 100);
        // Others get the change itself, not whose it was.
        EXPECT_FALSE(passedOn->containsClientID() || passedOn->containsPacketID());
        EXPECT_EQ(nodeOf(*passedOn).value("data"), QString::number(sentinel));
    }
}

TEST(Datacored, MisbehavingClientIsCutOffWhileOthersAreServed) {
    // What the bad client sends (nothing: it stops reading instead), and the
    // changes others make before it must be gone.
    const std::tuple<const char*, QByteArray, int> rows[] = {
        {"not a frame", QByteArray(8, '\xff'), 1},
        {"2 GiB length", rawFrame(PacketIdentifier::serialisable, 0x7fffffff, QByteArray()), 1},
        {"64 MiB length", rawFrame(PacketIdentifier::serialisable, 64 << 20, QByteArray(4, 0)), 1},
        // 1 MiB a change, broadcast to it: past its 64 MiB queue and the few
        // MiB the kernel holds.
        {"never reads", QByteArray(), 72},
    };
    DatacoredProcess server;
    Peer good(server.port());
    good.readGreeting();
    int value = 0;
    for (const auto& [what, sent, changesByOthers] : rows) {
        SCOPED_TRACE(what);
        Peer bad(server.port());
        if (sent.isEmpty()) {
            bad.stopReading();
        } else {
            bad.readGreeting();
            bad.send(sent);
        }
        for (int i = 0; i < changesByOthers; ++i) {
            ++value;
            good.send(change(patternPath, QString(1 << 20, QChar('a' + value % 26)), value));
            ASSERT_EQ(good.next()->getPacketID(), value);
        }
        EXPECT_TRUE(bad.closedByServer());
    }
}

TEST(Datacored, RefusesBadFilesAndOptions) {
    QTemporaryDir dir;
    const auto file = [&dir](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QByteArray roots =
        R"("statusCoreRouter":{},"commandCoreRouter":{},"persistentConfigCoreRouter":{})";
    QByteArray deep = "{}";
    for (int i = 0; i < 70; ++i) {
        deep = "{\"n\":" + deep + "}";
    }
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));

    const std::tuple<QStringList, int, const char*> rows[] = {
        {{"--file", file("a", "{")}, 1, "not JSON"},
        {{"--file", file("b", "[]")}, 1, "not a JSON object"},
        {{"--file", file("c", "{" + roots + "}")}, 1, "no configCoreRouter tree"},
        {{"--file", file("d", "{\"configCoreRouter\":{\"x\":3}," + roots + "}")},
         1,
         "configCoreRouter: 'x' is neither"},
        {{"--file", file("e", "{\"configCoreRouter\":" + deep + "," + roots + "}")},
         1,
         "deeper than 64"},
        {{"--file",
          file("f", R"({"configCoreRouter":{"reasonsForBeingInvalid":[{"x":1}]},)" + roots + "}")},
         1,
         "not an array of its messages"},
        {{"--file", dir.filePath("missing")}, 1, "cannot read"},
        {{"--port", QString::number(taken.serverPort())}, 1, "cannot listen on 127.0.0.1:"},
        {{"--port", "65536"}, 2, "--port"},
        {{"--listen", "nowhere"}, 2, "--listen"},
        {{"--frobnicate"}, 2, "frobnicate"},
        {{"extra"}, 2, "unexpected argument"},
    };
    for (const auto& [args, exitCode, says] : rows) {
        SCOPED_TRACE(args.join(' ').toStdString());
        expectToolRun(runProgram(QStringLiteral(CORVANE_DATACORED), args), exitCode, says);
    }
}

}  // namespace
