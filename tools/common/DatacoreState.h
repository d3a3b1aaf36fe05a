#pragma once

// One client datacore as the tools show it: corvane-datacore prints it,
// corvane-webd serves it, both in the same JSON form.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <list>
#include <utility>

#include "client/ClientDatacore.h"
#include "client/TqClientDatacoreManager.h"
#include "datacore/DatacoreValidStatusMessage.h"
#include "packets/DatacorePathRadixTreePacket.h"

namespace Corvane::Tools {

// What the client knows about one datacore at a moment.
struct DatacoreState {
    QString path;
    QStringList data;
    QStringList messages;  // why it is invalid, in the server's order
    bool valid = true;
    bool active = true;
    bool inSync = true;
    int lostPackets = 0;
};

// Data, validity and activity of `datacore`; the caller follows the sync
// state and lost packets, which the datacore only signals.
inline DatacoreState readDatacoreState(const QString& path, const ClientDatacore* datacore,
                                       bool inSync, int lostPackets) {
    DatacoreState state;
    state.path = path;
    state.inSync = inSync;
    state.lostPackets = lostPackets;
    if (datacore == nullptr) {
        return state;
    }
    for (const QString& value : datacore->getDataArray()) {
        state.data.append(value);
    }
    std::list<DatacoreValidStatusMessage> reasons;
    state.valid = datacore->isValid(reasons);
    for (const DatacoreValidStatusMessage& reason : reasons) {
        // A reason the client has no text for still says which it is.
        state.messages.append(
            reason.hasContent()
                ? reason.getText()
                : QStringLiteral("reason %1 (no text)").arg(reason.getIdentifier()));
    }
    state.active = datacore->isActive();
    return state;
}

inline QJsonObject stateJson(const DatacoreState& state) {
    return {{"path", state.path},
            {"data", QJsonArray::fromStringList(state.data)},
            {"valid", state.valid},
            {"messages", QJsonArray::fromStringList(state.messages)},
            {"active", state.active},
            {"inSync", state.inSync},
            {"lostPackets", state.lostPackets}};
}

// Every datacore path of a "DatacorePathRadixTreePacket" in the manager's
// order; a tree the server left out is skipped (the manager would make one
// nameless datacore of it).
inline QStringList datacorePathsOf(const TqClientDatacoreManager& manager,
                                   const QJsonObject& pathTree) {
    DatacorePathRadixTreePacket tree{QLatin1String(DatacorePathRadixTreePacket::className)};
    tree.setJsonObject(pathTree);
    const std::pair<bool, RadixTreeNode> trees[] = {
        {tree.containsConfigTree(), tree.getRootNodeForConfigTree()},
        {tree.containsStatusTree(), tree.getRootNodeForStatusTree()},
        {tree.containsCommandTree(), tree.getRootNodeForCommandTree()},
        {tree.containsPersistentConfigTree(), tree.getRootNodeForPersistentConfigTree()},
    };
    QStringList paths;
    for (const auto& [present, root] : trees) {
        if (present) {
            paths += manager.generateDatacorePathsFromRadixTreeNode(root);
        }
    }
    return paths;
}

}  // namespace Corvane::Tools
