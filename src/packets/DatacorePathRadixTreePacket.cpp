#include "packets/DatacorePathRadixTreePacket.h"

#include <QJsonArray>

#include "app/Logging.h"
#include "datacore/DatacoreBase.h"

namespace Corvane {

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
