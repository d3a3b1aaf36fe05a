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
// it holds. The default only bounds a failing test: generous for emulation.
inline bool waitUntil(const std::function<bool()>& done, int ms = 30000) {
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

// One end of a packet link over a real socket: sends bytes and packets and
// reads back the packets the other end sent.
class PacketLink {
public:
    QTcpSocket* socket() const { return socket_.get(); }
    void send(const QByteArray& bytes) {
        socket_->write(bytes);
        socket_->flush();
    }
    void send(const RawDataPacket& packet) { send(frameOf(packet)); }

    // The next packet the other end sent, as the packet factory builds it;
    // null when none completes in time or it is not a T.
    template <typename T>
    std::shared_ptr<T> next() {
        std::shared_ptr<RawDataPacket> packet;
        waitUntil([&] {
            buffer_ += socket_->readAll();
            return (packet = take(buffer_)) != nullptr;
        });
        return std::dynamic_pointer_cast<T>(packet);
    }
    // Whether the other end sent nothing more within a moment.
    bool quiet() {
        waitUntil([] { return false; }, 20);
        return buffer_.isEmpty() && socket_->bytesAvailable() == 0;
    }

protected:
    std::unique_ptr<QTcpSocket> socket_ = std::make_unique<QTcpSocket>();
    QByteArray buffer_;
};

// The far end of a client's link, played by the test on a free loopback
// port: accepts one client at a time.
class ScriptedServer : public PacketLink {
public:
    ScriptedServer() { server_.listen(QHostAddress::LocalHost, 0); }

    quint16 port() const { return server_.serverPort(); }
    std::unique_ptr<QTcpSocket> takeClient() { return std::move(socket_); }

    bool accept() {
        if (!waitUntil([this] { return server_.hasPendingConnections(); })) {
            return false;
        }
        socket_.reset(server_.nextPendingConnection());
        socket_->setParent(nullptr);  // ours, not the listening server's
        buffer_.clear();
        return true;
    }

private:
    QTcpServer server_;
};

}  // namespace Corvane::Testing
