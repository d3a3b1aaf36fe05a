#pragma once

#include "packets/PacketTestHelpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>

namespace Corvane::Testing {

// Runs the event loop until `done` holds or `ms` have passed; says whether
// it holds.
inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// The next packet to arrive on `socket`, as the packet factory builds it;
// null when none completes in time. `buffer` keeps the bytes read past it.
inline std::shared_ptr<RawDataPacket> nextPacket(QTcpSocket& socket, QByteArray& buffer) {
    std::shared_ptr<RawDataPacket> packet;
    waitUntil([&] {
        buffer += socket.readAll();
        packet = take(buffer);
        return packet != nullptr;
    });
    return packet;
}

// The far end of a client's link, played by the test on a free loopback
// port: accepts one client at a time, sends bytes and reads back packets.
class ScriptedServer {
public:
    ScriptedServer() { server_.listen(QHostAddress::LocalHost, 0); }

    quint16 port() const { return server_.serverPort(); }
    QTcpSocket* client() const { return client_.get(); }
    std::unique_ptr<QTcpSocket> takeClient() { return std::move(client_); }

    bool accept() {
        if (!waitUntil([this] { return server_.hasPendingConnections(); })) {
            return false;
        }
        client_.reset(server_.nextPendingConnection());
        buffer_.clear();
        return true;
    }
    void send(const QByteArray& bytes) {
        client_->write(bytes);
        client_->flush();
    }
    void send(const RawDataPacket& packet) { send(frameOf(packet)); }

    // The next packet the client sent, as the packet factory builds it.
    template <typename T>
    std::shared_ptr<T> next() {
        return std::dynamic_pointer_cast<T>(nextPacket(*client_, buffer_));
    }
    // Whether the client sent nothing more within a moment.
    bool quiet() {
        waitUntil([] { return false; }, 20);
        return buffer_.isEmpty() && client_->bytesAvailable() == 0;
    }

private:
    QTcpServer server_;
    std::unique_ptr<QTcpSocket> client_;
    QByteArray buffer_;
};

}  // namespace Corvane::Testing
