#include "client/NetworkConnection.h"

#include "app/Logging.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/RawDataPacketReceiverInterface.h"
#include "packets/SerialisableDataPacket.h"

#include <QMetaType>
#include <QTcpSocket>
#include <QVarLengthArray>
#include <iterator>
#include <utility>

namespace Corvane {
namespace {

constexpr int connectTimeoutMs = 500;

// Qt's names of its socket errors, indexed by value; 13 (the TLS handshake
// failure) has no entry here.
constexpr const char* socketErrorNames[] = {
    "ConnectionRefusedError",
    "RemoteHostClosedError",
    "HostNotFoundError",
    "SocketAccessError",
    "SocketResourceError",
    "SocketTimeoutError",
    "DatagramTooLargeError",
    "NetworkError",
    "AddressInUseError",
    "SocketAddressNotAvailableError",
    "UnsupportedSocketOperationError",
    "UnfinishedSocketOperationError",
    "ProxyAuthenticationRequiredError",
    nullptr,
    "ProxyConnectionRefusedError",
    "ProxyConnectionClosedError",
    "ProxyConnectionTimeoutError",
    "ProxyNotFoundError",
    "ProxyProtocolError",
};

}  // namespace

NetworkConnection::NetworkConnection(QObject* parent, bool serverEnd)
    : QObject(parent), serverEnd_(serverEnd) {
    qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
}

NetworkConnection::~NetworkConnection() {
    // Quietly: a socket dying with us is no news for our listeners.
    if (socket_) {
        socket_->disconnect(this);
    }
}

bool NetworkConnection::connectToHost(QString host, quint16 port) {
    installSocket(std::make_unique<QTcpSocket>(this));
    socket_->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (!socket_->waitForConnected(connectTimeoutMs)) {
        return false;
    }
    uniqueConnectionId_ = makeUniqueIdentifier(socket_->localAddress(), socket_->localPort());
    return true;
}

bool NetworkConnection::connectToHost(QHostAddress address, quint16 port) {
    return connectToHost(address.toString(), port);
}

bool NetworkConnection::connectToHost(std::unique_ptr<QTcpSocket>&& socket) {
    socket_.swap(socket);
    if (socket) {
        // The caller owns the previous socket now: it no longer feeds us.
        socket->disconnect(this);
        socket->setParent(nullptr);
    }
    if (!socket_) {
        installSocket(std::make_unique<QTcpSocket>(this));
        return false;
    }
    socket_->setParent(this);
    initialiseQtConnectionsToBiDirectionalConnection();
    uniqueConnectionId_ = makeUniqueIdentifier(socket_->localAddress(), socket_->localPort());
    return socket_->isOpen();
}

void NetworkConnection::installSocket(std::unique_ptr<QTcpSocket> socket) {
    std::unique_ptr<QTcpSocket> old = std::exchange(socket_, std::move(socket));
    initialiseQtConnectionsToBiDirectionalConnection();
    retire(std::move(old));
}

void NetworkConnection::disconnectFromHost() {
    retire(std::move(socket_));
}

void NetworkConnection::retire(std::unique_ptr<QTcpSocket> socket) {
    if (!socket) {
        return;
    }
    // Closed at once, so a connected socket still reports disconnected()
    // (its datacores are gone), but deleted later: this may run inside a
    // slot that the socket itself is signalling, and a user reconnecting
    // from disconnectedFromHost() is exactly that.
    socket->abort();
    socket->disconnect(this);
    socket.release()->deleteLater();
}

void NetworkConnection::initialiseQtConnectionsToBiDirectionalConnection() {
    QTcpSocket* socket = socket_.get();
    connect(socket, &QTcpSocket::readyRead, this, &NetworkConnection::onReadyRead,
            Qt::DirectConnection);
    connect(socket, &QTcpSocket::disconnected, this, &NetworkConnection::disconnectedFromHost,
            Qt::DirectConnection);
    // errorOccurred is Qt 5.15's name for the error(SocketError) signal.
    connect(socket, &QAbstractSocket::errorOccurred, this, &NetworkConnection::onSocketError);
    receiveBuffer_.clear();
    receiveOffset_ = 0;
}

bool NetworkConnection::isConnectedToHost() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

QString NetworkConnection::makeUniqueIdentifier(QHostAddress address, quint16 port) {
    return QStringLiteral("%1%2").arg(address.toIPv4Address()).arg(port);
}

QString NetworkConnection::socketErrorAsString(QAbstractSocket::SocketError error) {
    const int value = static_cast<int>(error);
    if (value == QAbstractSocket::UnknownSocketError) {
        return QStringLiteral("QAbstractSocket::UnknownSocketError");
    }
    constexpr int count = static_cast<int>(std::size(socketErrorNames));
    if (value < 0 || value >= count || socketErrorNames[value] == nullptr) {
        return QStringLiteral("illegal value for QAbstractSocket::SocketError: %1").arg(value);
    }
    return QStringLiteral("QAbstractSocket::") + QLatin1String(socketErrorNames[value]);
}

bool NetworkConnection::canAcceptPacket(QString) {
    return true;
}

void NetworkConnection::acceptPacket(const SerialisableDataPacket& packet) {
    send(packet);
}

void NetworkConnection::sendRawPacket(std::shared_ptr<const RawDataPacket> packet) {
    if (packet) {
        send(*packet);
    }
}

void NetworkConnection::send(const RawDataPacket& packet) {
    if (!socket_ || !socket_->isWritable()) {
        return;
    }
    packet.serialisePacketAndWriteToDevice(*socket_);
    socket_->flush();
}

void NetworkConnection::onSocketError(QAbstractSocket::SocketError error) {
    logf(LogLevel::info, "{}", socketErrorAsString(error));
}

void NetworkConnection::onReadyRead() {
    if (!socket_) {
        return;
    }
    if (receiveBuffer_.isEmpty()) {
        receiveBuffer_ = socket_->readAll();  // no copy for the common case
    } else {
        receiveBuffer_.append(socket_->readAll());
    }
    cutFrames();
    // Consumed frames leave in one move. The offset is a member, not a
    // local: a receiver may re-enter the loop (a nested event loop) or
    // install a new socket, which empties the buffer.
    receiveBuffer_.remove(0, receiveOffset_);
    receiveOffset_ = 0;
}

void NetworkConnection::cutFrames() {
    using Registry = RawDataPacketReceiverInterfaceBase;
    while (receiveBuffer_.size() - receiveOffset_ >= RawDataPacket::headerSize) {
        // The rest of the buffer, not copied; it serves the peek and the
        // factory, and dies before any receiver can change the buffer.
        const QByteArray rest = QByteArray::fromRawData(receiveBuffer_.constData() + receiveOffset_,
                                                        receiveBuffer_.size() - receiveOffset_);
        const RawDataPacket::Header header = RawDataPacket::peekHeader(rest);
        if (header.packetIdentifier == PacketIdentifier::incompleteMarker) {
            return;
        }
        if (header.packetIdentifier == PacketIdentifier::garbageMarker) {
            ++receiveOffset_;  // resynchronise one byte at a time
            continue;
        }
        // A copy, newest first: receivers registered during delivery count
        // from the next frame on; one unregistered (destroyed) by an earlier
        // receiver is skipped.
        QVarLengthArray<Registry*, 8> receivers;
        const unsigned int key =
            Registry::makeRegistryKey(header.packetIdentifier, header.sourceInstanceIdentifier);
        for (auto it = Registry::registry.constFind(key);
             it != Registry::registry.cend() && it.key() == key; ++it) {
            receivers.append(it.value());
        }
        std::shared_ptr<const RawDataPacket> packet;
        if (!receivers.isEmpty()) {
            packet = RawDataPacketFactory::createPacketFromDataBufferAt(rest, 0);
        }
        receiveOffset_ += RawDataPacket::headerSize + header.payloadLength;
        if (!packet) {
            continue;
        }
        for (Registry* receiver : receivers) {
            if (Registry::registry.contains(key, receiver)) {
                receiver->receiveRawDataPacket(packet);
            }
        }
    }
}

}  // namespace Corvane
