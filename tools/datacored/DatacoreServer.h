#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <map>

#include "ServedDatacoreTrees.h"

class QTcpSocket;

namespace Corvane {

class DatacorePacket;
class RawDataPacket;
class SerialisableDataPacket;

// Serves datacore trees to any number of clients over the framed packet
// link, on the Qt event loop.
//
// A client that connects gets the path tree packet, then the state of every
// datacore as an untracked DatacorePacket, so its mirrors fill at once. A
// change it sends (a DatacorePacket with its client and packet identifiers)
// is applied to the node at the packet's path, data only: class and reasons
// belong to the server. The sender gets the node's whole state back with its
// identifiers; every other client gets each changed node untracked.
//
// Refusals: the status tree is the instrument's measured state and never
// changes from a client, and a change that cannot be applied leaves the
// node as it was; either way the sender still gets the node's state back,
// so its mirror returns to the server's value. A packet for a path that
// names no datacore has nothing to answer with: it is logged and dropped.
// JSON packets of other classes are logged and ignored.
//
// Garbage, or a frame longer than maxFramePayload, from one client ends
// that client's connection only. Each client's queues are bounded: while
// more than readPauseBytes of its answers are unsent, its requests wait
// (and TCP holds it back); past maxQueuedBytes, which only its initial
// state and the changes of others can reach, its connection is reset.
class DatacoreServer : public QObject {
    Q_OBJECT
public:
    static constexpr int maxClients = 64;
    // A change carries one datacore, which cannot be larger than the file
    // the trees came from.
    static constexpr qint32 maxFramePayload = ServedDatacoreTrees::maxFileBytes;
    static constexpr qint64 readPauseBytes = 1024 * 1024;
    static constexpr qint64 maxQueuedBytes = 64 * 1024 * 1024;

    explicit DatacoreServer(ServedDatacoreTrees& trees, QObject* parent = nullptr);
    ~DatacoreServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    QHostAddress serverAddress() const { return server_.serverAddress(); }
    quint16 serverPort() const { return server_.serverPort(); }

    // "address:port", an IPv6 address in brackets.
    static QString endpointText(const QHostAddress& address, quint16 port);

private:
    struct Client {
        QString name;       // peer address:port, for log lines
        QByteArray buffer;  // received bytes not yet consumed as frames
    };

    void onNewConnection();
    void sendInitialState(QTcpSocket& socket);
    // Consumes complete frames while the client's answers are not piling up.
    void serve(QTcpSocket* socket);
    void handle(QTcpSocket* socket, const SerialisableDataPacket& packet);
    void applyChange(QTcpSocket* socket, const DatacorePacket& request);
    // Writes frames; drops the client when that overfills its queue.
    void send(QTcpSocket* socket, const QByteArray& frames);
    // Ends a client's connection; one that misbehaved is reset.
    void drop(QTcpSocket* socket, const QString& why, bool misbehaved);

    static QByteArray frameOf(const RawDataPacket& packet);

    ServedDatacoreTrees& trees_;
    QTcpServer server_;
    std::map<QTcpSocket*, Client> clients_;
};

}  // namespace Corvane
