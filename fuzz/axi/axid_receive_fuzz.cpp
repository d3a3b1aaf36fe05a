// Arbitrary client bytes to the daemon as it meets them: a client connects
// over loopback, sends the bytes and half-closes, and AxiTcpServer::go()
// serves the connection with its own blocking receive. The answers must be
// those the tools' packet parser reads out of the same bytes: one per read
// or version request, up to the first packet the daemon cannot decode.

#include "FuzzSupport.h"
#include "axi/AxiNetworkUtil.h"
#include "axi/AxiTcpServer.h"
#include "corvlib/corvlib.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QTcpServer>
#include <cerrno>
#include <cstring>
#include <type_traits>

using namespace Corvane;

namespace {

AxiTcpServer* server = nullptr;
quint16 port = 0;
QByteArray versionAnswer;

// The daemon's own answer to each request the parser finds in `input`.
QByteArray expectedAnswers(const QByteArray& input) {
    AxiPacketParser parser;
    parser.append(input);
    QByteArray answers;
    while (auto words = parser.next()) {
        bool more = true;
        std::visit(
            [&](const auto& t) {
                using T = std::decay_t<decltype(t)>;
                if constexpr (std::is_same_v<T, std::monostate>) {
                    more = false;
                } else if constexpr (std::is_same_v<T, AxiReadRequestNetworkTransaction>) {
                    answers += AxiNetworkUtil::encodePacket(AxiNetworkUtil::encodeTransaction(
                        server->processReadRequestTransaction(t)));
                } else if constexpr (std::is_same_v<T, MezzanineVersionRequestNetworkTransaction>) {
                    answers += versionAnswer;
                }
            },
            AxiNetworkUtil::decodeWords(*words));
        if (!more) {
            break;
        }
    }
    return answers;
}

// Every run leaves its connection in TIME_WAIT; tens of thousands of them
// in a minute use up the ephemeral ports of one address, and connect fails.
// Spreading the clients over loopback addresses (all of 127.0.0.0/8 reaches
// the server) gives each address only a few.
int connectClient() {
    static std::uint32_t runs = 0;
    int error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        ++runs;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in client{};
        client.sin_family = AF_INET;
        client.sin_addr.s_addr = htonl(0x7F000001u + ((runs % 0xFFFFu) << 8));
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(port);
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&client), sizeof client) == 0 &&
            ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0) {
            return fd;
        }
        error = errno;
        ::close(fd);
    }
    Fuzz::fail((std::string("cannot connect to the server: ") + std::strerror(error)).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    Fuzz::answerHelp(*argc, *argv,
                     "Sends arbitrary bytes to AxiTcpServer::go() over loopback TCP and checks\n"
                     "its answers against the tools' packet parser.");
    // Arbitrary writes must never reach a real register window.
    if (::access(CORV_FPGA_DEVICE, F_OK) == 0) {
        std::fprintf(stderr, "%s: refusing to run where %s exists\n", (*argv)[0], CORV_FPGA_DEVICE);
        std::exit(1);
    }
    new QCoreApplication(*argc, *argv);
    // A free port for the server; any other port would be as good as
    // AxiTcpServer::defaultPort,
    // which the daemon may hold on this machine. The port found free on the
    // loopback address may still be taken on another, so try a few.
    for (int attempt = 0; attempt < 16 && server == nullptr; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) {
            Fuzz::fail("no free port");
        }
        port = probe.serverPort();
        probe.close();
        server = new AxiTcpServer(port);
        if (!server->isListening()) {
            delete server;
            server = nullptr;
        }
    }
    if (server == nullptr) {
        Fuzz::fail("the server does not listen");
    }
    versionAnswer = AxiNetworkUtil::encodePacket(
        AxiNetworkUtil::encodeTransaction(server->processMezzanineVersionRequestTransaction(
            MezzanineVersionRequestNetworkTransaction())));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input and the answers must fit in the socket buffers: the client
    // writes everything before the server starts reading.
    if (size > 16 * 1024) {
        return 0;
    }
    const int fd = connectClient();
    // libFuzzer's timeout alarm interrupts blocking calls, and on a loaded
    // machine loopback delivery lags, so the answers may not all be there
    // yet when go() returns: EINTR means "again", not "no more answers".
    for (size_t sent = 0; sent < size;) {
        const ssize_t n = ::send(fd, data + sent, size - sent, 0);
        if (n < 0 && errno != EINTR) {
            Fuzz::fail(
                (std::string("sending the request bytes failed: ") + std::strerror(errno)).c_str());
        }
        sent += n > 0 ? static_cast<size_t>(n) : 0;
    }
    ::shutdown(fd, SHUT_WR);
    server->go();

    QByteArray answers;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            answers.append(buffer, static_cast<int>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            Fuzz::fail(
                (std::string("reading the answers failed: ") + std::strerror(errno)).c_str());
        }
    }
    ::close(fd);
    if (answers != expectedAnswers(Fuzz::bytes(data, size))) {
        Fuzz::fail("the daemon's answers differ from the requests in its input");
    }
    return 0;
}
