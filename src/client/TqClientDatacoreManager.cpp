#include "client/TqClientDatacoreManager.h"

#include "app/Logging.h"
#include "client/ServerCommon.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/RadixTreeNode.h"
#include "packets/SerialisableDataPacketDistributor.h"

namespace Corvane {
namespace {

// Appends "<prefix><name>" for `node` and every node below it, pre-order.
void appendPaths(const RadixTreeNode& node, const QString& prefix, QStringList& paths) {
    const QString path = prefix + node.name;
    paths.append(path);
    const QString childPrefix = path + QLatin1Char('/');
    for (const RadixTreeNode& child : node.children) {
        appendPaths(child, childPrefix, paths);
    }
}

}  // namespace

TqClientDatacoreManager::TqClientDatacoreManager(NetworkConnection& connection,
                                                 SerialisableDataPacketDistributor& distributor,
                                                 QObject* parent)
    : QObject(parent),
      registry_(connection, this),
      populator_(connection, registry_, distributor, this),
      monitor_(connection, this) {
    distributor.registerPacketAcceptor(this,
                                       QString::fromLatin1(DatacorePathRadixTreePacket::className));
}

TqClientDatacoreManager::~TqClientDatacoreManager() = default;

bool TqClientDatacoreManager::canAcceptPacket(QString className) {
    return className == QLatin1String(DatacorePathRadixTreePacket::className);
}

void TqClientDatacoreManager::acceptPacket(const SerialisableDataPacket& packet) {
    if (!canAcceptPacket(packet.getPacketClassName())) {
        return;
    }
    // The trees of a server that already has mirrors here are old news.
    if (!registry_.isEmpty()) {
        return;
    }
    DatacorePathRadixTreePacket trees(QString::fromLatin1(DatacorePathRadixTreePacket::className));
    trees.setJsonObject(packet.getJsonObject());
    // No server of ours describes more; a tree that does would cost the
    // client far more than the frame did (a datacore per node).
    if (!trees.pathsFitWithin(ServerCommon::maxDatacores, ServerCommon::maxDatacorePathBytes)) {
        logf(LogLevel::error,
             "Datacore path tree refused: more than {} datacores or {} MiB of paths; no "
             "datacores created",
             ServerCommon::maxDatacores, ServerCommon::maxDatacorePathBytes / (1024 * 1024));
        return;
    }
    QStringList paths = generateDatacorePathsFromRadixTreeNode(trees.getRootNodeForConfigTree());
    paths += generateDatacorePathsFromRadixTreeNode(trees.getRootNodeForStatusTree());
    paths += generateDatacorePathsFromRadixTreeNode(trees.getRootNodeForCommandTree());
    paths += generateDatacorePathsFromRadixTreeNode(trees.getRootNodeForPersistentConfigTree());
    registry_.populateRegistry(paths, monitor_);
}

QStringList TqClientDatacoreManager::generateDatacorePathsFromRadixTreeNode(
    const RadixTreeNode& node) const {
    QStringList paths;
    appendPaths(node, QString(), paths);
    return paths;
}

}  // namespace Corvane
