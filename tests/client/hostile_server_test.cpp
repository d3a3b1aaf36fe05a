// A server that describes more datacores, or longer paths, than any server
// of ours may serve: the client refuses the tree and stays usable.

#include "ClientTestSupport.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/NetworkConnection.h"
#include "client/ServerCommon.h"
#include "client/TqClientDatacoreManager.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace Corvane {
namespace {

using namespace Testing;

QJsonObject shape(const QString& name, const QJsonArray& kids = {}) {
    QJsonObject node{{"Core", name}};
    if (!kids.isEmpty()) {
        node.insert("Kids", kids);
    }
    return node;
}

QJsonArray leaves(int count) {
    QJsonArray kids;
    for (int i = 0; i < count; ++i) {
        kids.append(shape(QString("n%1").arg(i)));
    }
    return kids;
}

// A chain `depth` deep below the root, each name `length` characters long.
QJsonObject chain(int depth, int length) {
    QJsonObject node = shape(QString(length, 'c'));
    for (int level = 1; level < depth; ++level) {
        node = shape(QString(length, 'c'), QJsonArray{node});
    }
    return shape("statusCoreRouter", QJsonArray{node});
}

DatacorePathRadixTreePacket statusTree(const QJsonObject& root) {
    DatacorePathRadixTreePacket packet;
    packet.setJsonObject(QJsonObject{{"Class", packet.getPacketClassName()},
                                     {DatacorePathRadixTreePacket::statusTreeKey, root}});
    return packet;
}

// The bounds count exactly the paths the manager would create: a missing
// tree as one nameless path, nothing below the depth at which rebuilding
// stops.
TEST(PathTreeBounds, CountThePathsTheManagerCreates) {
    QJsonObject deep = shape("leaf");
    for (int level = 0; level < DatacorePathRadixTreePacket::maxTreeDepth + 5; ++level) {
        deep = shape(QString("d%1").arg(level), QJsonArray{deep});
    }
    const QJsonObject cases[] = {
        shape("statusCoreRouter", QJsonArray{shape("input", leaves(3)), "not an object"}),
        chain(40, 300),
        deep,
    };
    NetworkConnection connection;
    SerialisableDataPacketDistributor distributor;
    TqClientDatacoreManager manager{connection, distributor};
    for (const QJsonObject& root : cases) {
        const DatacorePathRadixTreePacket packet = statusTree(root);
        QStringList paths;
        for (const RadixTreeNode& tree :
             {packet.getRootNodeForConfigTree(), packet.getRootNodeForStatusTree(),
              packet.getRootNodeForCommandTree(), packet.getRootNodeForPersistentConfigTree()}) {
            paths += manager.generateDatacorePathsFromRadixTreeNode(tree);
        }
        qint64 bytes = 0;
        for (const QString& path : paths) {
            bytes += path.size() * 2;
        }
        SCOPED_TRACE(paths.size());
        EXPECT_TRUE(packet.pathsFitWithin(paths.size(), bytes));
        EXPECT_FALSE(packet.pathsFitWithin(paths.size() - 1, bytes));
        EXPECT_FALSE(packet.pathsFitWithin(paths.size(), bytes - 1));
    }
}

// Past either bound the tree creates nothing and says so once; the link
// stays up and the next tree is mirrored as usual.
TEST(HostileServer, OversizedPathTreeIsRefusedAndTheClientStaysUsable) {
    const struct {
        const char* what;
        QJsonObject root;
    } cases[] = {
        // With the three nameless roots of the trees left out: one too many.
        {"datacores", shape("statusCoreRouter", leaves(ServerCommon::maxDatacores - 3))},
        // 60 names of 5000 characters: 9.15 million characters of paths.
        {"path bytes", chain(60, 5000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        ScriptedServer server;
        NetworkConnection connection;
        SerialisableDataPacketDistributor distributor;
        TqClientDatacoreManager manager{connection, distributor};
        ClientDatacoreRegistry& registry = manager.getClientDatacoreRegistry();
        ASSERT_TRUE(connection.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port()));
        ASSERT_TRUE(server.accept());

        server.send(statusTree(c.root));
        const std::string refusal =
            "Datacore path tree refused: more than 65536 datacores or 16 MiB of paths; no "
            "datacores created";
        EXPECT_TRUE(waitUntil([&] { return log.contains(refusal); }));
        EXPECT_EQ(log.lines(), std::vector<std::string>{refusal});
        EXPECT_TRUE(registry.isEmpty());
        EXPECT_TRUE(connection.isConnectedToHost());

        server.send(statusTree(shape("statusCoreRouter", leaves(2))));
        EXPECT_TRUE(waitUntil([&] { return !registry.isEmpty(); }));
        EXPECT_TRUE(registry.lookupDatacoreFromPath("statusCoreRouter/n1"));
    }
}

}  // namespace
}  // namespace Corvane
