#pragma once

#include <QByteArray>
#include <cstddef>
#include <deque>
#include <optional>

#include "axi/AxiNetworkTransaction.h"

class QTcpSocket;

namespace Corvane {

// Packet framing of the register protocol: a count byte N, then N 32-bit
// words, least significant byte first.
class AxiNetworkUtil {
public:
    // Milliseconds of each wait for more bytes from the client.
    static constexpr int receiveWaitMs = 5000;

    // Frames the words and writes them to the socket in one write call.
    // Returns false (and logs "Error sending data") on a short write.
    static bool sendPacket(std::deque<unsigned int> words, QTcpSocket& socket);

    // The bytes of one packet (the count is taken modulo 256).
    static QByteArray encodePacket(const std::deque<unsigned int>& words);

    // Word 0 = type code, then the transaction's own words.
    static std::deque<unsigned int> encodeTransaction(const AxiNetworkTransaction& t);

    static AxiDecodedTransaction decodeWords(const std::deque<unsigned int>& words);

    // The bytes of one packet written to `out`, which has room for
    // 1 + 4 * words.size(); returns one past the last byte written.
    static char* encodePacketInto(char* out, const std::deque<unsigned int>& words);

    // One word's four bytes at `out`; returns one past them.
    static char* putWord(char* out, unsigned int word) {
        for (int shift = 0; shift < 32; shift += 8) {
            *out++ = static_cast<char>((word >> shift) & 0xFF);
        }
        return out;
    }

    // Decodes the `count` words that follow a packet's count byte.
    static AxiDecodedTransaction decodePacketWords(const char* words, std::size_t count);

    // The line of a send the socket did not take.
    static void logSendError();

    // Blocking read of one packet from a connected socket, waiting in
    // receiveWaitMs steps; returns no words when the peer went away first.
    static std::deque<unsigned int> receivePacket(QTcpSocket& socket);

    // receivePacket then decodeWords, without a word list in between.
    static AxiDecodedTransaction receiveTransaction(QTcpSocket& socket);
};

// Cuts packets out of a byte stream that arrives in arbitrary pieces; used
// where the caller owns the waiting (clients, tests).
class AxiPacketParser {
public:
    void append(const QByteArray& bytes);

    // The next complete packet's words, or nothing until more bytes arrive.
    std::optional<std::deque<unsigned int>> next();

    std::size_t pendingBytes() const { return static_cast<std::size_t>(buffer_.size() - start_); }

private:
    QByteArray buffer_;
    int start_ = 0;  // first unconsumed byte; consumed bytes are dropped lazily
};

}  // namespace Corvane
