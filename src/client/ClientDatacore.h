#pragma once

#include "datacore/DatacoreBase.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <list>

namespace Corvane {

class DatacorePacket;

// The client-side mirror of one datacore of a server, addressed by its full
// path there. User-interface code writes values through the setData slots
// and listens to the signals; local changes go to the server (through the
// monitor) tagged with a packet identifier, and the server's answers come
// back through the populator.
//
// While identifiers handed out for local changes are outstanding the mirror
// is out of sync and ignores echoes of older changes; the echo of the last
// one brings it back in sync with the server's state. Changes made by
// others arrive untracked and are applied at once. Validity and activity
// reasons are exactly those the server last sent, never recomputed here.
class ClientDatacore : public QObject, public DatacoreBase {
    Q_OBJECT
public:
    ClientDatacore(QString className, QString instanceName, DatacoreBase* parent,
                   QString datacorePathOnServer);
    ~ClientDatacore() override;

    QString getDatacorePathOnServer() const { return datacorePathOnServer_; }

    // Emits datacoreOutOfSyncWithServer() and queues the next identifier:
    // one more than the largest outstanding, 0 when none is.
    int getNextPacketID();
    // Applies `json` only when `packetID` is outstanding and is the last one
    // outstanding; older identifiers are dropped (and reported as lost).
    bool trackPacketAndPopulateDataFromJson(int packetID, QString path, const QJsonObject& json,
                                            bool dataOnly,
                                            std::list<DatacoreJsonMessage>& messages);
    // Tracked packets that carry a packet identifier go through the queue;
    // anything else is applied at once.
    bool populateDataFromDatacorePacket(DatacorePacket& packet, bool trackPacket);

signals:
    void datacoreUpdated(QStringList data, QStringList validationMessages, bool isActive);
    void clientDatacoreHasUpdateForServer(int packetID, ClientDatacore* datacore);
    void datacoreOutOfSyncWithServer();
    void datacoreInSyncWithServer();
    void datacoreDataIsValid();
    void datacoreDataIsInvalid(QStringList& messages);
    void lostPackets(int numLostPackets);

public slots:
    void setDataString(QString data);
    void setDataStringList(QStringList data);
    void setDataBool(bool data);
    void setDataInt(int data);
    void setDataIntList(QList<int> data);
    void setDataUint(uint data);
    void setDataUintList(QList<uint> data);
    void setDataInt16(int16_t data);
    void setDataInt32(int32_t data);
    void setDataInt64(int64_t data);
    void setDataInt16List(QList<int16_t> data);
    void setDataInt32List(QList<int32_t> data);
    void setDataInt64List(QList<int64_t> data);
    void setDataUint16(uint16_t data);
    void setDataUint32(uint32_t data);
    void setDataUint64(uint64_t data);
    void setDataUint16List(QList<uint16_t> data);
    void setDataUint32List(QList<uint32_t> data);
    void setDataUint64List(QList<uint64_t> data);
    void setDataFloat(float data);
    void setDataDouble(double data);
    void setDataPoint(QPoint point);
    void setDataSize(QSize size);
    void setDataTo1();
    // Emits datacoreUpdated with the current data, reasons and activity,
    // then datacoreDataIsValid() or datacoreDataIsInvalid().
    void populateConnectedGuiElements();

protected:
    void changedPrivateSignal() override;
    void regenerateInvalidationStatusMessages(
        std::list<DatacoreValidStatusMessage>& reasons) const override;
    void regenerateInactivationStatusMessages(
        std::list<DatacoreActiveStatusMessage>& reasons) const override;

private:
    template <typename List>
    void setDecimalList(const List& values);

    QString datacorePathOnServer_;
    std::deque<int> outstandingPacketIds_;
};

}  // namespace Corvane
