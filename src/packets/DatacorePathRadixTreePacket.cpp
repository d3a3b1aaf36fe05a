#include "packets/DatacorePathRadixTreePacket.h"

#include <QJsonArray>

#include "app/Logging.h"
#include "datacore/DatacoreBase.h"

namespace Corvane {
namespace {

// What is left of the bounds while a tree's paths are counted.
struct PathBudget {
    qint64 paths;
    qint64 bytes;
};

// Spends the path of `shape` and of every node below it, pre-order; false
// once the budget is overdrawn. `parentLength` is the parent's path length,
// -1 for a root (whose path is its name alone).
bool spendPaths(const QJsonObject& shape, qint64 parentLength, int depth, int maxDepth,
                PathBudget& left) {
    const qint64 length =
        parentLength + 1 +
        shape.value(QLatin1String(DatacorePathRadixTreePacket::coreKey)).toString().size();
    left.paths -= 1;
    left.bytes -= length * qint64(sizeof(QChar));
    if (left.paths < 0 || left.bytes < 0) {
        return false;
    }
    if (depth >= maxDepth) {
        return true;  // rebuilding drops the children here
    }
    const QJsonArray kids =
        shape.value(QLatin1String(DatacorePathRadixTreePacket::kidsKey)).toArray();
    for (const QJsonValue& kid : kids) {
        if (!spendPaths(kid.toObject(), length, depth + 1, maxDepth, left)) {
            return false;
        }
    }
    return true;
}

}  // namespace

DatacorePathRadixTreePacket::DatacorePathRadixTreePacket()
    : SerialisableDataPacket(QLatin1String(className)) {}

DatacorePathRadixTreePacket::DatacorePathRadixTreePacket(QString className)
    : SerialisableDataPacket(std::move(className)) {}

void DatacorePathRadixTreePacket::setDestinationClientId(const QString& clientId) {
    object_.insert(QLatin1String(clientIdKey), clientId);
}

QString DatacorePathRadixTreePacket::getDestinationClientId() const {
    return object_.value(QLatin1String(clientIdKey)).toString();
}

bool DatacorePathRadixTreePacket::containsClientId() const {
    return object_.value(QLatin1String(clientIdKey)).isString();
}

bool DatacorePathRadixTreePacket::containsTree(const char* key) const {
    return object_.value(QLatin1String(key)).isObject();
}

void DatacorePathRadixTreePacket::setTree(const char* key, const DatacoreBase& root) {
    object_.insert(QLatin1String(key), getDatacoreAsObjectContainingAllOfItsChildren(root));
}

RadixTreeNode DatacorePathRadixTreePacket::rootNodeFor(const char* key) const {
    return getRadixTreeFromJson(object_.value(QLatin1String(key)).toObject());
}

bool DatacorePathRadixTreePacket::pathsFitWithin(qint64 maxPaths, qint64 maxPathBytes) const {
    PathBudget left{maxPaths, maxPathBytes};
    for (const char* key :
         {configTreeKey, statusTreeKey, commandTreeKey, persistentConfigTreeKey}) {
        if (!spendPaths(object_.value(QLatin1String(key)).toObject(), -1, 1, maxTreeDepth, left)) {
            return false;
        }
    }
    return true;
}

QJsonObject DatacorePathRadixTreePacket::getDatacoreAsObjectContainingAllOfItsChildren(
    const DatacoreBase& node) const {
    QJsonArray kids;
    for (const DatacoreBase* child : node.getChildren()) {
        kids.append(getDatacoreAsObjectContainingAllOfItsChildren(*child));
    }
    QJsonObject shape{{QLatin1String(coreKey), node.getInstanceName()}};
    if (!kids.isEmpty()) {
        shape.insert(QLatin1String(kidsKey), kids);
    }
    return shape;
}

RadixTreeNode DatacorePathRadixTreePacket::getRadixTreeFromJson(const QJsonObject& shape) const {
    return rebuild(shape, 1);
}

RadixTreeNode DatacorePathRadixTreePacket::rebuild(const QJsonObject& shape, int depth) const {
    RadixTreeNode node;
    node.name = shape.value(QLatin1String(coreKey)).toString();
    const QJsonArray kids = shape.value(QLatin1String(kidsKey)).toArray();
    if (!kids.isEmpty() && depth >= maxTreeDepth) {
        logf(LogLevel::error, "Datacore tree shape deeper than {} levels: children of {} dropped",
             maxTreeDepth, node.name);
        return node;
    }
    for (const QJsonValue& kid : kids) {
        node.children.push_back(rebuild(kid.toObject(), depth + 1));
    }
    return node;
}

}  // namespace Corvane
