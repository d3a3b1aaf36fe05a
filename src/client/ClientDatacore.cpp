#include "client/ClientDatacore.h"

#include "packets/DatacorePacket.h"

#include <QMetaType>
#include <algorithm>
#include <cstddef>
#include <utility>

namespace Corvane {

ClientDatacore::ClientDatacore(QString className, QString instanceName, DatacoreBase* parent,
                               QString datacorePathOnServer)
    : QObject(nullptr),
      DatacoreBase(std::move(className), std::move(instanceName), parent),
      datacorePathOnServer_(std::move(datacorePathOnServer)) {
    // So the list slots can be reached through queued connections.
    qRegisterMetaType<QList<int>>("QList<int>");
    qRegisterMetaType<QList<unsigned int>>("QList<unsigned int>");
}

ClientDatacore::~ClientDatacore() = default;

// ---- local changes ----

template <typename List>
void ClientDatacore::setDecimalList(const List& values) {
    std::deque<QString> data;
    for (const auto value : values) {
        data.push_back(QString::number(value));
    }
    setDataArray(std::move(data));
}

void ClientDatacore::setDataString(QString data) {
    setData(std::move(data));
}

void ClientDatacore::setDataStringList(QStringList data) {
    setDataArray(std::deque<QString>(data.begin(), data.end()));
}

void ClientDatacore::setDataBool(bool data) {
    setData(data ? QStringLiteral("true") : QStringLiteral("false"));
}

void ClientDatacore::setDataInt(int data) {
    setData(QString::number(data));
}

void ClientDatacore::setDataIntList(QList<int> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataUint(uint data) {
    setData(QString::number(data));
}

void ClientDatacore::setDataUintList(QList<uint> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataInt16(int16_t data) {
    setData(QString::number(data));
}

void ClientDatacore::setDataInt32(int32_t data) {
    setData(QString::number(data));
}

void ClientDatacore::setDataInt64(int64_t data) {
    setData(QString::number(qlonglong{data}));
}

void ClientDatacore::setDataInt16List(QList<int16_t> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataInt32List(QList<int32_t> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataInt64List(QList<int64_t> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataUint16(uint16_t data) {
    setData(QString::number(data));
}

void ClientDatacore::setDataUint32(uint32_t data) {
    setData(QString::number(data));
}

void ClientDatacore::setDataUint64(uint64_t data) {
    setData(QString::number(qulonglong{data}));
}

void ClientDatacore::setDataUint16List(QList<uint16_t> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataUint32List(QList<uint32_t> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataUint64List(QList<uint64_t> data) {
    setDecimalList(data);
}

void ClientDatacore::setDataFloat(float data) {
    setDataDouble(static_cast<double>(data));
}

void ClientDatacore::setDataDouble(double data) {
    // 20 significant digits: every double survives the round trip, and the
    // server sees exactly the value that was set.
    setData(QString::number(data, 'g', 20));
}

void ClientDatacore::setDataPoint(QPoint point) {
    setData(QStringLiteral("%1,%2").arg(point.x()).arg(point.y()));
}

void ClientDatacore::setDataSize(QSize size) {
    setData(QStringLiteral("%1,%2").arg(size.width()).arg(size.height()));
}

void ClientDatacore::setDataTo1() {
    setData(QStringLiteral("1"));
}

void ClientDatacore::changedPrivateSignal() {
    populateConnectedGuiElements();
    // Only direct changes go to the server; a change from JSON came from it.
    if (getChangedStatus() == changedDirectly) {
        const int packetId = getNextPacketID();
        emit clientDatacoreHasUpdateForServer(packetId, this);
    }
    resetChangedStatus();
}

void ClientDatacore::populateConnectedGuiElements() {
    std::list<DatacoreActiveStatusMessage> inactivity;
    const bool active = isActive(inactivity);
    std::list<DatacoreValidStatusMessage> invalidity;
    const bool valid = isValid(invalidity);
    QStringList messages;
    for (const DatacoreValidStatusMessage& reason : invalidity) {
        messages.append(reason.getText());
    }
    const std::deque<QString>& data = getDataArray();
    emit datacoreUpdated(QStringList(data.begin(), data.end()), messages, active);
    if (valid) {
        emit datacoreDataIsValid();
    } else {
        emit datacoreDataIsInvalid(messages);
    }
}

// The server's reasons stand as received.
void ClientDatacore::regenerateInvalidationStatusMessages(
    std::list<DatacoreValidStatusMessage>&) const {}

void ClientDatacore::regenerateInactivationStatusMessages(
    std::list<DatacoreActiveStatusMessage>&) const {}

// ---- the server's answers ----

int ClientDatacore::getNextPacketID() {
    emit datacoreOutOfSyncWithServer();
    const int packetId =
        outstandingPacketIds_.empty()
            ? 0
            : *std::max_element(outstandingPacketIds_.begin(), outstandingPacketIds_.end()) + 1;
    outstandingPacketIds_.push_back(packetId);
    return packetId;
}

bool ClientDatacore::trackPacketAndPopulateDataFromJson(int packetID, QString path,
                                                        const QJsonObject& json, bool dataOnly,
                                                        std::list<DatacoreJsonMessage>& messages) {
    const auto found =
        std::find(outstandingPacketIds_.begin(), outstandingPacketIds_.end(), packetID);
    if (found == outstandingPacketIds_.end()) {
        return false;
    }
    // By position, not by iterator: a lostPackets slot may make local changes
    // here, which append to the queue and move its storage. They queue
    // behind the echoed identifier, so the front p + 1 are still the old ones.
    const auto position = static_cast<std::size_t>(found - outstandingPacketIds_.begin());
    if (position > 0) {
        emit lostPackets(static_cast<int>(position + 1));
    }
    const std::size_t dropped = std::min(position + 1, outstandingPacketIds_.size());
    outstandingPacketIds_.erase(
        outstandingPacketIds_.begin(),
        outstandingPacketIds_.begin() + static_cast<std::ptrdiff_t>(dropped));
    if (!outstandingPacketIds_.empty()) {
        return false;  // a newer change is on its way; its echo brings the state
    }
    emit datacoreInSyncWithServer();
    return populateDataFromJson(std::move(path), json, dataOnly, messages);
}

bool ClientDatacore::populateDataFromDatacorePacket(DatacorePacket& packet, bool trackPacket) {
    std::list<DatacoreJsonMessage> messages;
    if (trackPacket && packet.containsPacketID()) {
        return trackPacketAndPopulateDataFromJson(packet.getPacketID(), QString(),
                                                  packet.getDatacoreJsonObject(), false, messages);
    }
    if (outstandingPacketIds_.empty()) {
        emit datacoreInSyncWithServer();
    }
    return populateDataFromJson(QString(), packet.getDatacoreJsonObject(), false, messages);
}

}  // namespace Corvane
