#include "client/TqClientDatacoreManager.h"

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
