#include "DatacoreServer.h"

#include <sys/socket.h>

#include <QStringList>
#include <QTcpSocket>
#include <vector>

#include "app/Logging.h"
#include "client/NetworkConnection.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/RawDataPacketFactory.h"

namespace Corvane {

namespace {

// Bytes taken from a socket at a time; also the socket's own read buffer,
// so a client that sends faster than it is served meets TCP flow control.
constexpr qint64 readChunk = 256 * 1024;

// The node's data for a log line: each entry quoted.
QString dataText(const DatacoreBase& node) {
    QStringList entries;
    for (const QString& entry : node.getDataArray()) {
        entries << QLatin1Char('"') + entry + QLatin1Char('"');
    }
    return entries.isEmpty() ? QStringLiteral("(no data)") : entries.join(QLatin1String(", "));
}

}  // namespace

DatacoreServer::DatacoreServer(ServedDatacoreTrees& trees, QObject* parent)
    : QObject(parent), trees_(trees) {
    connect(&server_, &QTcpServer::newConnection, this, &DatacoreServer::onNewConnection);
}

DatacoreServer::~DatacoreServer() {
    // The sockets die with the listening server; their last signals must not
    // reach a half-destroyed object.
    for (const auto& client : clients_) {
        client.first->disconnect(this);
    }
}

bool DatacoreServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

QString DatacoreServer::endpointText(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QByteArray DatacoreServer::frameOf(const RawDataPacket& packet) {
    const QByteArray payload = packet.getSerialisedPayloadForTransmit();
    return packet.generatePacketHeaderForPayload(payload) + payload;
}

void DatacoreServer::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const QString name = endpointText(socket->peerAddress(), socket->peerPort());
        if (clients_.size() >= static_cast<size_t>(maxClients)) {
            logf(LogLevel::warning, "Datacore server: refusing {}: already {} clients", name,
                 maxClients);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        clients_.emplace(socket, Client{name, QByteArray()});
        socket->setReadBufferSize(readChunk);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        // Requests held back by a full queue go on once it drains.
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { drop(socket, QStringLiteral("disconnected"), false); });
        logf(LogLevel::info, "Datacore server: {} connected ({} clients)", name, clients_.size());
        sendInitialState(*socket);
    }
}

void DatacoreServer::sendInitialState(QTcpSocket& socket) {
    DatacorePathRadixTreePacket tree;
    // The identifier the client's own connection goes by: its end of the
    // socket is this one's peer.
    tree.setDestinationClientId(
        NetworkConnection::makeUniqueIdentifier(socket.peerAddress(), socket.peerPort()));
    tree.setConfigTree(trees_.root(ServerCommon::configTree));
    tree.setStatusTree(trees_.root(ServerCommon::statusTree));
    tree.setCommandTree(trees_.root(ServerCommon::commandTree));
    tree.setPersistentConfigTree(trees_.root(ServerCommon::persistentConfigTree));
    QByteArray frames = frameOf(tree);
    for (const DatacoreBase* node : trees_.nodes()) {
        frames += frameOf(DatacorePacket(ServedDatacoreTrees::stateOf(*node), node->getPath()));
    }
    send(&socket, frames);
}

void DatacoreServer::serve(QTcpSocket* socket) {
    for (auto client = clients_.find(socket);
         client != clients_.end() && socket->bytesToWrite() <= readPauseBytes;
         client = clients_.find(socket)) {
        QByteArray& buffer = client->second.buffer;
        if (buffer.size() >= RawDataPacket::headerSize) {
            const RawDataPacket::Header header = RawDataPacket::peekHeader(buffer);
            if (header.packetIdentifier == PacketIdentifier::garbageMarker) {
                drop(socket, QStringLiteral("sent bytes that are not a frame"), true);
                return;
            }
            if (header.payloadLength > maxFramePayload) {
                drop(socket,
                     QStringLiteral("announced a frame of %1 bytes (at most %2)")
                         .arg(header.payloadLength)
                         .arg(maxFramePayload),
                     true);
                return;
            }
            if (header.packetIdentifier != PacketIdentifier::incompleteMarker) {
                const auto packet =
                    RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(buffer);
                if (const auto* json = dynamic_cast<const SerialisableDataPacket*>(packet.get())) {
                    handle(socket, *json);
                } else {
                    logf(LogLevel::info,
                         "Datacore server: ignoring a packet of identifier {:#06x} from {}",
                         header.packetIdentifier, client->second.name);
                }
                continue;
            }
        }
        if (socket->bytesAvailable() == 0) {
            return;
        }
        buffer.append(socket->read(readChunk));
    }
}

void DatacoreServer::handle(QTcpSocket* socket, const SerialisableDataPacket& packet) {
    if (packet.getPacketClassName() != QLatin1String(DatacorePacket::className)) {
        logf(LogLevel::info, "Datacore server: ignoring a \"{}\" packet from {}",
             packet.getPacketClassName(), clients_.at(socket).name);
        return;
    }
    DatacorePacket request{QLatin1String(DatacorePacket::className)};
    request.setJsonObject(packet.getJsonObject());
    applyChange(socket, request);
}

void DatacoreServer::applyChange(QTcpSocket* socket, const DatacorePacket& request) {
    // A copy: sending may drop the sender.
    const QString sender = clients_.at(socket).name;
    const QString path = request.getDatacorePath();
    ServedDatacoreTrees::Tree tree{};
    DatacoreBase* node = trees_.find(path, tree);
    if (node == nullptr) {
        logf(LogLevel::warning, "Datacore server: no datacore '{}' (change from {} dropped)", path,
             sender);
        return;
    }
    if (tree == ServerCommon::statusTree) {
        logf(LogLevel::warning, "Datacore server: {} is measured state; change from {} refused",
             path, sender);
    } else {
        std::list<DatacoreJsonMessage> messages;
        if (!node->populateDataFromJson(QString(), request.getDatacoreJsonObject(), true,
                                        messages)) {
            QStringList why;
            for (const DatacoreJsonMessage& message : messages) {
                why << message.getText();
            }
            if (why.isEmpty()) {
                why << QStringLiteral("the object does not hold \"%1\" alone")
                           .arg(node->getInstanceName());
            }
            logf(LogLevel::warning, "Datacore server: change of {} from {} not applied: {}", path,
                 sender, why.join(QLatin1String("; ")));
        }
    }
    const std::list<DatacoreBase*> changed = trees_.takeChanges(tree);

    DatacorePacket answer(ServedDatacoreTrees::stateOf(*node), path);
    if (request.containsClientID()) {
        answer.setClientID(request.getClientID());
    }
    if (request.containsPacketID()) {
        answer.setPacketID(request.getPacketID());
    }
    send(socket, frameOf(answer));

    for (DatacoreBase* core : changed) {
        core->resetChangedStatus();
        logf(LogLevel::info, "Datacore server: {} = {} (from {})", core->getPath(), dataText(*core),
             sender);
        const QByteArray frame =
            frameOf(DatacorePacket(ServedDatacoreTrees::stateOf(*core), core->getPath()));
        // The sender already has the node it addressed; anything else that
        // changed with it (its children) goes to everyone.
        std::vector<QTcpSocket*> targets;
        for (const auto& client : clients_) {
            if (client.first != socket || core != node) {
                targets.push_back(client.first);
            }
        }
        for (QTcpSocket* target : targets) {
            send(target, frame);
        }
    }
}

void DatacoreServer::send(QTcpSocket* socket, const QByteArray& frames) {
    socket->write(frames);
    if (socket->bytesToWrite() > maxQueuedBytes) {
        drop(socket,
             QStringLiteral("does not read what it is sent (%1 bytes unsent)")
                 .arg(socket->bytesToWrite()),
             true);
    }
}

void DatacoreServer::drop(QTcpSocket* socket, const QString& why, bool misbehaved) {
    const auto client = clients_.find(socket);
    if (client == clients_.end()) {
        return;
    }
    const QString name = client->second.name;
    clients_.erase(client);
    // Disconnected first, so aborting does not come back here.
    socket->disconnect(this);
    if (misbehaved) {
        // A reset: what the kernel still holds for the client is dropped at
        // once, rather than trickling out to a peer that may never read it.
        const linger reset{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                     sizeof reset);
    }
    socket->abort();
    socket->deleteLater();
    logf(misbehaved ? LogLevel::warning : LogLevel::info, "Datacore server: {} {} ({} clients)",
         name, why, clients_.size());
}

}  // namespace Corvane
