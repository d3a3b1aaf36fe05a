#include "MonitorConnectionBuilder.h"

#include "DatacoreTreeModel.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/TqClientDatacoreManager.h"
#include "packets/DatacorePathRadixTreePacket.h"

namespace Corvane {
namespace {

// The tree whose root datacore is called `rootName`; invalidTree for none.
ServerCommon::DatacoreTree treeNamed(const QString& rootName) {
    for (int tree = ServerCommon::configTree; tree < ServerCommon::invalidTree; ++tree) {
        const auto candidate = static_cast<ServerCommon::DatacoreTree>(tree);
        if (ServerCommon::rootDatacoreName(candidate) == rootName) {
            return candidate;
        }
    }
    return ServerCommon::invalidTree;
}

}  // namespace

MonitorConnectionBuilder::MonitorConnectionBuilder(TqClientDatacoreManager& manager,
                                                   DatacoreTreeModel& model, QObject* parent)
    : DatacoreConnectionBuilderBase(manager.getClientDatacoreRegistry(), parent),
      manager_(manager),
      model_(model) {}

void MonitorConnectionBuilder::connectDatacoresToGui() {
    DatacorePathRadixTreePacket packet{QLatin1String(DatacorePathRadixTreePacket::className)};
    packet.setJsonObject(pathTree_);
    const RadixTreeNode roots[] = {
        packet.getRootNodeForConfigTree(), packet.getRootNodeForStatusTree(),
        packet.getRootNodeForCommandTree(), packet.getRootNodeForPersistentConfigTree()};
    std::vector<DatacoreTreeModel::Entry> datacores;
    for (const RadixTreeNode& root : roots) {
        const ServerCommon::DatacoreTree tree = treeNamed(root.name);
        for (const QString& path : manager_.generateDatacorePathsFromRadixTreeNode(root)) {
            // A root has no path inside its tree, and a tree of another name
            // cannot be asked for by tree: both are looked up as they stand.
            const bool inTree = tree != ServerCommon::invalidTree && path != root.name;
            datacores.emplace_back(path, inTree ? getDatacoreFromOrphanedPathAndRegisterUsage(
                                                      path.mid(root.name.size() + 1), tree)
                                                : registry_.lookupDatacoreFromPath(path));
        }
    }
    model_.populate(datacores);
}

}  // namespace Corvane
