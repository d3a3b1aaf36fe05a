#include "packets/DatacorePacket.h"

#include <utility>

namespace Corvane {

DatacorePacket::DatacorePacket(QString className) : SerialisableDataPacket(std::move(className)) {}

DatacorePacket::DatacorePacket(QJsonObject datacore, QString path)
    : SerialisableDataPacket(QString::fromLatin1(className)) {
    setDatacorePath(path);
    setDatacoreJsonObject(datacore);
}

DatacorePacket::DatacorePacket(QString clientId, int packetId, QJsonObject datacore, QString path)
    : DatacorePacket(std::move(datacore), std::move(path)) {
    setClientID(std::move(clientId));
    setPacketID(packetId);
}

void DatacorePacket::setClientID(QString clientId) {
    object_.insert(clientIdKey, clientId);
}

void DatacorePacket::setPacketID(int packetId) {
    object_.insert(packetIdKey, packetId);
}

void DatacorePacket::setDatacorePath(const QString& path) {
    object_.insert(pathKey, path);
}

void DatacorePacket::setDatacoreJsonObject(const QJsonObject& datacore) {
    object_.insert(datacoreKey, datacore);
}

bool DatacorePacket::containsClientID() const {
    return object_.contains(clientIdKey);
}

bool DatacorePacket::containsPacketID() const {
    return object_.contains(packetIdKey);
}

bool DatacorePacket::containsDatacorePath() const {
    return object_.contains(pathKey);
}

bool DatacorePacket::containsDatacoreObject() const {
    return object_.contains(datacoreKey);
}

QString DatacorePacket::getClientID() const {
    return object_.value(clientIdKey).toString();
}

int DatacorePacket::getPacketID() const {
    return object_.value(packetIdKey).toInt(noPacketId);
}

QString DatacorePacket::getDatacorePath() const {
    return object_.value(pathKey).toString();
}

QJsonObject DatacorePacket::getDatacoreJsonObject() const {
    return object_.value(datacoreKey).toObject();
}

}  // namespace Corvane
