#pragma once

#include <cstddef>
#include <memory>

#include "axi/AxiNetworkTransaction.h"
#include "axi/AxiNetworkUtil.h"

namespace Corvane {

// The server's side of one client connection, on the connected socket's
// descriptor (which it does not own). Requests are read into a bounded
// buffer of its own and cut there, answers queue in a buffer of its own and
// leave in one send once the requests read so far are served: per batch of
// requests one wait, one read and one send, and no allocation per request.
//
// What a client sees is that of blocking waits on the socket: waits of
// AxiNetworkUtil::receiveWaitMs for as long as nothing arrives, requests
// taken from the kernel no faster than they are served (so a client far
// ahead of its answers meets TCP's flow control), and answers held back
// once a client leaves too many of them unread.
class AxiConnection {
public:
    // At most this much is read ahead of the requests being served.
    static constexpr std::size_t readAheadBytes = 64 * 1024;
    // Answers queued from this many bytes on are sent without waiting for
    // the batch to be served; from maxQueuedBytes on, the server waits for
    // the client to take them.
    static constexpr std::size_t sendBytes = 64 * 1024;
    static constexpr std::size_t maxQueuedBytes = 1024 * 1024;

    explicit AxiConnection(int descriptor);
    ~AxiConnection();
    AxiConnection(const AxiConnection&) = delete;
    AxiConnection& operator=(const AxiConnection&) = delete;

    // The next packet, decoded; waits for its bytes in receiveWaitMs steps,
    // sending the queued answers meanwhile. An empty transaction when the
    // connection ended first.
    AxiDecodedTransaction receive();

    // Queues an answer (a transaction with eachWord). False, after the line
    // "Error sending data", when the connection has ended.
    template <typename Response>
    bool answer(const Response& response) {
        if (!stillOpen()) {
            return false;
        }
        char* const count = room();
        char* end = AxiNetworkUtil::putWord(count + 1, response.type);
        response.eachWord([&end](unsigned int word) { end = AxiNetworkUtil::putWord(end, word); });
        *count = static_cast<char>((end - count - 1) / 4);
        queue(end);
        return true;
    }

    // Neither end of the stream read nor a send failed.
    bool connected() const { return readable_ && writable_; }

    // Sends what is still queued, waiting up to `waitMs` for the client to
    // take it.
    void drain(int waitMs);

private:
    // connected(), or false after the line "Error sending data".
    bool stillOpen() const;
    // Where the next answer goes, with room for the longest packet.
    char* room();
    // The answer written up to `end` is queued.
    void queue(const char* end);
    // Reads more into the buffer; false when the connection ended first.
    bool fill();
    // Sends what the socket takes now; false when sending failed.
    bool send();
    // Waits until fewer than `bytes` are queued (or the connection failed).
    void sendBelow(std::size_t bytes);
    std::size_t queued() const { return outEnd_ - outStart_; }

    int fd_;
    bool readable_ = true;
    bool writable_ = true;
    std::unique_ptr<char[]> in_;
    std::size_t inStart_ = 0;  // first byte not yet cut into a packet
    std::size_t inEnd_ = 0;
    std::unique_ptr<char[]> out_;
    std::size_t outStart_ = 0;  // first byte not yet sent
    std::size_t outEnd_ = 0;
};

}  // namespace Corvane
