#pragma once

#include "packets/SerialisableDataPacket.h"

#include <QJsonObject>
#include <QString>

namespace Corvane {

// The JSON packet that carries one node of a datacore tree, addressed by its
// path, optionally tagged with the client it concerns and a sequence number.
class DatacorePacket : public SerialisableDataPacket {
public:
    static constexpr const char* className = "DatacorePacket";
    static constexpr const char* pathKey = "Path";
    static constexpr const char* datacoreKey = "Datacore";
    static constexpr const char* clientIdKey = "ClientID";
    static constexpr const char* packetIdKey = "PacketID";
    static constexpr int noPacketId = -1;

    explicit DatacorePacket(QString className);
    DatacorePacket(QJsonObject datacore, QString path);
    DatacorePacket(QString clientId, int packetId, QJsonObject datacore, QString path);

    void setClientID(QString clientId);
    void setPacketID(int packetId);
    void setDatacorePath(const QString& path);
    void setDatacoreJsonObject(const QJsonObject& datacore);

    bool containsClientID() const;
    bool containsPacketID() const;
    bool containsDatacorePath() const;
    bool containsDatacoreObject() const;

    QString getClientID() const;
    int getPacketID() const;  // noPacketId when absent
    QString getDatacorePath() const;
    QJsonObject getDatacoreJsonObject() const;
};

}  // namespace Corvane
