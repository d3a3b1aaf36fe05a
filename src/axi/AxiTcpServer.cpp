#include "axi/AxiTcpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <type_traits>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "app/Logging.h"
#include "axi/AxiConnection.h"
#include "axi/AxiNetworkUtil.h"
#include "axi/PcieAxi.h"
#include "version/VersionInfo.h"

namespace Corvane {
namespace {

constexpr const char* kPrefix = "TQ Network AXI server: ";
constexpr int kAcceptWaitMs = 1000;

// One connected client holds the daemon for as long as its connection lasts.
// A peer that vanished without closing (a pulled cable, a crashed host) sends
// nothing more, so the kernel probes an idle connection and drops it when
// the probes go unanswered: 10 s of silence, then 3 probes 5 s apart, so the
// daemon is free again about 25 s after the peer went. Keepalive does not
// probe a connection whose last answer is still unacknowledged; there the
// user timeout ends the retransmissions after the same 25 s, rather than
// the kernel's default of about 15 minutes. It also ends the connection of a
// client that leaves its receive buffer full for 25 s: such a client holds
// the daemon's one client slot without being served, so it goes too.
constexpr int kKeepAliveIdleS = 10;
constexpr int kKeepAliveIntervalS = 5;
constexpr int kKeepAliveProbes = 3;
constexpr int kUserTimeoutMs = (kKeepAliveIdleS + kKeepAliveIntervalS * kKeepAliveProbes) * 1000;

void logServer(LogLevel level, std::string_view text) {
    logf(level, "{}{}", kPrefix, text);
}

void keepAlive(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const int fd = static_cast<int>(socket.socketDescriptor());
    for (const auto& [option, value] :
         {std::pair{TCP_KEEPIDLE, kKeepAliveIdleS}, std::pair{TCP_KEEPINTVL, kKeepAliveIntervalS},
          std::pair{TCP_KEEPCNT, kKeepAliveProbes}, std::pair{TCP_USER_TIMEOUT, kUserTimeoutMs}}) {
        if (::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value) != 0) {
            // Served all the same; only a vanished peer is held longer.
            logf(LogLevel::error, "{}Cannot set keepalive option {}", kPrefix, option);
        }
    }
}

}  // namespace

AxiTcpServer::AxiTcpServer(unsigned int port)
    : port_(port), server_(std::make_unique<QTcpServer>()) {
    if (listen()) {
        logf(LogLevel::info, "{}Server Started, port {}", kPrefix, port_);
    } else {
        logServer(LogLevel::info, "Server could not start");
    }
    axi_ = std::make_unique<PcieAxi>();
}

AxiTcpServer::~AxiTcpServer() = default;

bool AxiTcpServer::listen() {
    return server_->listen(QHostAddress::Any, static_cast<quint16>(port_));
}

bool AxiTcpServer::isListening() const {
    return server_->isListening();
}

QTcpSocket* AxiTcpServer::waitForClient() {
    for (;;) {
        if (!server_->isListening()) {
            // Without a listening socket the wait returns at once; pause and
            // try again, so a port still held by a previous instance is taken
            // over when it frees up instead of spinning the CPU.
            QThread::msleep(kAcceptWaitMs);
            if (listen()) {
                logf(LogLevel::info, "{}Server Started, port {}", kPrefix, port_);
            }
            continue;
        }
        // Connections accepted together wait in the server's own queue, which
        // waitForNewConnection does not look at: it waits for the next one.
        if (!server_->hasPendingConnections()) {
            server_->waitForNewConnection(kAcceptWaitMs);
        }
        if (QTcpSocket* socket = server_->nextPendingConnection()) {
            return socket;
        }
    }
}

void AxiTcpServer::go() {
    logServer(LogLevel::info, "Waiting for connection");
    QTcpSocket* socket = waitForClient();
    keepAlive(*socket);
    logServer(LogLevel::info, "Got a connection");
    // The connection is served on its descriptor: QTcpSocket's waits and
    // buffers cost more per request than the system calls they make.
    AxiConnection connection(static_cast<int>(socket->socketDescriptor()));
    while (serve(connection.receive(), connection)) {
    }
    finish(connection, socket);
}

template <typename Response>
bool AxiTcpServer::answer(const Response& response, AxiConnection& connection) {
    if (!connection.answer(response)) {
        logServer(LogLevel::info, "Error sending transaction");
        return false;
    }
    return true;
}

bool AxiTcpServer::serve(const AxiDecodedTransaction& decoded, AxiConnection& connection) {
    return std::visit(
        [&](const auto& t) -> bool {
            using T = std::decay_t<decltype(t)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                logServer(LogLevel::info, "Empty transaction (not) read");
                return false;
            } else if constexpr (std::is_same_v<T, AxiShortTransaction>) {
                // A known type with too few words cannot be carried out, but
                // the client is still in step with the framing: drop it and
                // keep serving, as for a response type.
                logf(LogLevel::error, "{}Short transaction of type {} ({} words) dropped", kPrefix,
                     t.type, t.words);
                return true;
            } else if constexpr (std::is_same_v<T, AxiWriteNetworkTransaction>) {
                processWriteTransaction(t);
                return true;
            } else if constexpr (std::is_same_v<T, AxiReadRequestNetworkTransaction>) {
                return answer(processReadRequestTransaction(t), connection);
            } else if constexpr (std::is_same_v<T, MezzanineVersionRequestNetworkTransaction>) {
                return answer(processMezzanineVersionRequestTransaction(t), connection);
            } else {
                logServer(LogLevel::error, "Got a Bad transaction");
                return true;
            }
        },
        decoded);
}

void AxiTcpServer::finish(AxiConnection& connection, QTcpSocket* socket) {
    if (connection.connected()) {
        logServer(LogLevel::info, "Socket still connected??");
    } else {
        logServer(LogLevel::info, "Socket not connected");
    }
    // The service of this connection is over: close it (after the answers
    // still queued) so the client learns so, and release the socket now, as
    // no event loop would run a deleteLater.
    connection.drain(kAcceptWaitMs);
    delete socket;
}

void AxiTcpServer::processWriteTransaction(const AxiWriteNetworkTransaction& t) {
    axi_->axiWrite(t.base, t.offset, t.value);
}

AxiReadResponseNetworkTransaction AxiTcpServer::processReadRequestTransaction(
    const AxiReadRequestNetworkTransaction& t) {
    return AxiReadResponseNetworkTransaction(t.base, t.offset, axi_->axiRead(t.base, t.offset));
}

MezzanineVersionResponseNetworkTransaction AxiTcpServer::processMezzanineVersionRequestTransaction(
    const MezzanineVersionRequestNetworkTransaction&) {
    const VersionInfo inventory;
    unsigned int version = 0;
    for (const VersionedEntity& entry : inventory.getAllVersions()) {
        if (entry.name == QLatin1String("Mezzanine")) {
            bool ok = false;
            const int number = entry.version.toInt(&ok, 10);
            version = ok ? static_cast<unsigned int>(number) : 0;
        }
    }
    return MezzanineVersionResponseNetworkTransaction(version);
}

}  // namespace Corvane
