#pragma once

#include "packets/RawDataPacket.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class QTcpSocket;

namespace Corvane {

class SerialisableDataPacket;

// The one TCP link between a datacore client and a datacore server. Cuts the
// received byte stream into frames (8-byte big-endian header {identifier,
// source instance, signed payload length}, then the payload), has the packet
// factory build each packet once and hands it to every receiver listed for
// it in the process-wide receiver registry. Packets it is given go out one
// frame each. There is no retry: a link that fails stays down until the
// owner connects again.
class NetworkConnection : public QObject, public SerialisableDataPacketAcceptorInterface {
    Q_OBJECT
public:
    // `serverEnd` says which end of a link this connection is: true when it
    // serves a client (it adopts the sockets a server accepted), false for a
    // client. The link behaves the same either way; the flag is only kept
    // for owners that hold many connections and want to tell them apart.
    explicit NetworkConnection(QObject* parent = nullptr, bool serverEnd = false);
    ~NetworkConnection() override;

    NetworkConnection(const NetworkConnection&) = delete;
    NetworkConnection& operator=(const NetworkConnection&) = delete;

    // Replaced and disconnected sockets are closed at once and deleted from
    // the event loop, so these may be called from any slot, including one
    // connected to disconnectedFromHost().
    //
    // Replaces any socket with a new one and waits up to 500 ms for the
    // connection. On failure the new socket stays installed, unconnected,
    // and the identifier keeps its previous value.
    bool connectToHost(QString host, quint16 port);
    bool connectToHost(QHostAddress address, quint16 port);
    // Adopts `socket` (e.g. one a QTcpServer accepted) and hands the previous
    // socket back through the same pointer. A null socket installs a fresh,
    // unconnected one and returns false.
    bool connectToHost(std::unique_ptr<QTcpSocket>&& socket);
    void disconnectFromHost();
    bool isConnectedToHost() const;
    bool isServerEnd() const { return serverEnd_; }

    // The local address and port of the socket, as makeUniqueIdentifier
    // writes them; empty until a socket has been connected or adopted. The
    // server tags its echoes of this client's changes with it.
    QString& getUniqueConnectionID() { return uniqueConnectionId_; }

    // The IPv4 address as an unsigned decimal number directly followed by
    // the port ("323223578650000" for 192.168.1.10:50000; an IPv6 address
    // reads as 0).
    static QString makeUniqueIdentifier(QHostAddress address, quint16 port);
    static QString socketErrorAsString(QAbstractSocket::SocketError error);

    // Takes every JSON packet and sends it.
    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;
    // Sends a packet of any class; without a writable socket nothing is sent.
    virtual void sendRawPacket(std::shared_ptr<const RawDataPacket> packet);

signals:
    void disconnectedFromHost();

private slots:
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);

private:
    void installSocket(std::unique_ptr<QTcpSocket> socket);
    void retire(std::unique_ptr<QTcpSocket> socket);
    void initialiseQtConnectionsToBiDirectionalConnection();
    void send(const RawDataPacket& packet);
    void cutFrames();

    QString uniqueConnectionId_;
    std::unique_ptr<QTcpSocket> socket_;
    // Received bytes; those before receiveOffset_ are consumed frames, cut
    // away once per read so many small frames cost no repeated moves.
    QByteArray receiveBuffer_;
    int receiveOffset_ = 0;
    bool serverEnd_;
};

}  // namespace Corvane
