#pragma once

#include <QtGlobal>
#include <memory>

#include "axi/AxiInterface.h"
#include "axi/AxiNetworkTransaction.h"

class QTcpServer;
class QTcpSocket;

namespace Corvane {

class AxiConnection;

// Serves the register protocol to one client at a time, with blocking
// waits only (no event loop runs in the daemon).
class AxiTcpServer {
public:
    // The port corvane-axid serves on, and its clients connect to by default.
    static constexpr quint16 defaultPort = 9430;

    explicit AxiTcpServer(unsigned int port);
    ~AxiTcpServer();
    AxiTcpServer(const AxiTcpServer&) = delete;
    AxiTcpServer& operator=(const AxiTcpServer&) = delete;

    // Waits for one client, serves it until its connection ends, returns.
    void go();

    void processWriteTransaction(const AxiWriteNetworkTransaction& t);
    AxiReadResponseNetworkTransaction processReadRequestTransaction(
        const AxiReadRequestNetworkTransaction& t);
    MezzanineVersionResponseNetworkTransaction processMezzanineVersionRequestTransaction(
        const MezzanineVersionRequestNetworkTransaction& t);

    bool isListening() const;

private:
    QTcpSocket* waitForClient();
    bool listen();
    // Serves one decoded packet; false when the connection's service ends.
    bool serve(const AxiDecodedTransaction& decoded, AxiConnection& connection);
    // Queues a response; false (after a log line) when the connection ended.
    template <typename Response>
    bool answer(const Response& response, AxiConnection& connection);
    void finish(AxiConnection& connection, QTcpSocket* socket);

    unsigned int port_;
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<AxiInterface> axi_;
};

}  // namespace Corvane
