#include "axi/AxiNetworkUtil.h"

#include <QTcpSocket>
#include <algorithm>

#include "app/Logging.h"

namespace Corvane {
namespace {

unsigned int wordAt(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<unsigned int>(b[0]) | (static_cast<unsigned int>(b[1]) << 8) |
           (static_cast<unsigned int>(b[2]) << 16) | (static_cast<unsigned int>(b[3]) << 24);
}

// Words each type needs, type code included.
constexpr std::size_t kWordsNeeded[] = {4, 3, 4, 1, 2};
constexpr std::size_t kMaxWordsDecoded = 4;  // the most of those

bool stillConnected(const QTcpSocket& socket) {
    return socket.state() == QAbstractSocket::ConnectedState;
}

// Waits until `bytes` are buffered; false when the peer went away first.
bool awaitBytes(QTcpSocket& socket, qint64 bytes) {
    while (socket.bytesAvailable() < bytes) {
        // Answers still queued leave before the wait: a peer that has stopped
        // sending (half-closed) would otherwise lose them, as Qt drops the
        // write buffer when it reads the end of the stream.
        socket.flush();
        socket.waitForReadyRead(AxiNetworkUtil::receiveWaitMs);
        if (!stillConnected(socket) && socket.bytesAvailable() < bytes) {
            return false;
        }
    }
    return true;
}

// Decoding of a word list held in any indexable container, so that the
// server can decode from a plain array without building a list per packet.
template <typename Words>
AxiDecodedTransaction decode(const Words& words, std::size_t size) {
    if (size == 0 || words[0] > mezzanineVersionResponseType) {
        return std::monostate{};
    }
    const unsigned int type = words[0];
    if (size < kWordsNeeded[type]) {
        return AxiShortTransaction{type, size};
    }
    switch (type) {
        case axiWriteType:
            return AxiWriteNetworkTransaction(words[1], words[2], words[3]);
        case axiReadRequestType:
            return AxiReadRequestNetworkTransaction(words[1], words[2]);
        case axiReadResponseType:
            return AxiReadResponseNetworkTransaction(words[1], words[2], words[3]);
        case mezzanineVersionRequestType:
            return MezzanineVersionRequestNetworkTransaction();
        default:
            return MezzanineVersionResponseNetworkTransaction(words[1]);
    }
}

// Most words a packet can carry: its count is one byte.
constexpr int kMaxWords = 255;

// Blocking read of one packet's words into `words`; returns how many, none
// when the peer went away first. The words are taken in one read once all
// of them are buffered: a read per word costs a pass through QIODevice each.
std::size_t receiveInto(QTcpSocket& socket, unsigned int (&words)[kMaxWords]) {
    if (!awaitBytes(socket, 1)) {
        return 0;
    }
    char count = 0;
    socket.getChar(&count);
    const int n = static_cast<unsigned char>(count);
    if (!awaitBytes(socket, 4 * static_cast<qint64>(n))) {
        return 0;
    }
    char raw[4 * kMaxWords];
    const qint64 got = socket.read(raw, 4 * n);
    std::size_t size = 0;
    for (qint64 at = 0; at + 4 <= got; at += 4) {
        words[size++] = wordAt(raw + at);
    }
    return size;
}

}  // namespace

QByteArray AxiNetworkUtil::encodePacket(const std::deque<unsigned int>& words) {
    QByteArray bytes(1 + 4 * static_cast<int>(words.size()), Qt::Uninitialized);
    encodePacketInto(bytes.data(), words);
    return bytes;
}

bool AxiNetworkUtil::sendPacket(std::deque<unsigned int> words, QTcpSocket& socket) {
    // Every answer of the server fits on the stack; only longer lists (which
    // the server never sends) cost an allocation.
    constexpr std::size_t kStackWords = 8;
    char stack[1 + 4 * kStackWords];
    QByteArray heap;
    const qint64 size = 1 + 4 * static_cast<qint64>(words.size());
    char* bytes = stack;
    if (words.size() > kStackWords) {
        heap.resize(static_cast<int>(size));
        bytes = heap.data();
    }
    encodePacketInto(bytes, words);
    if (socket.write(bytes, size) != size) {
        logSendError();
        return false;
    }
    return true;
}

char* AxiNetworkUtil::encodePacketInto(char* out, const std::deque<unsigned int>& words) {
    *out++ = static_cast<char>(words.size() & 0xFF);
    for (unsigned int w : words) {
        out = putWord(out, w);
    }
    return out;
}

void AxiNetworkUtil::logSendError() {
    logLine(LogLevel::error, "Error sending data");
}

AxiDecodedTransaction AxiNetworkUtil::decodePacketWords(const char* words, std::size_t count) {
    // Only the words a type uses are read; zeroed, as in receiveTransaction.
    unsigned int decoded[kMaxWordsDecoded] = {};
    for (std::size_t i = 0; i < std::min(count, kMaxWordsDecoded); ++i) {
        decoded[i] = wordAt(words + 4 * i);
    }
    return decode(decoded, count);
}

std::deque<unsigned int> AxiNetworkUtil::encodeTransaction(const AxiNetworkTransaction& t) {
    std::deque<unsigned int> words{t.type};
    t.toBytes(words);
    return words;
}

AxiDecodedTransaction AxiNetworkUtil::decodeWords(const std::deque<unsigned int>& words) {
    return decode(words, words.size());
}

std::deque<unsigned int> AxiNetworkUtil::receivePacket(QTcpSocket& socket) {
    unsigned int words[kMaxWords];
    const std::size_t size = receiveInto(socket, words);
    return std::deque<unsigned int>(words, words + size);
}

AxiDecodedTransaction AxiNetworkUtil::receiveTransaction(QTcpSocket& socket) {
    // decode() reads only the words received, through a per-type length
    // check the analysers cannot follow; zeroing the few words it can read
    // says so for them at no cost on the server's per-request path (not
    // the whole array).
    unsigned int words[kMaxWords];
    std::fill_n(words, kMaxWordsDecoded, 0u);
    return decode(words, receiveInto(socket, words));
}

void AxiPacketParser::append(const QByteArray& bytes) {
    // Drop what was consumed before growing, so a long pipelined stream
    // costs linear time rather than a move of the whole buffer per packet.
    if (start_ > 0) {
        buffer_.remove(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<std::deque<unsigned int>> AxiPacketParser::next() {
    const int available = buffer_.size() - start_;
    if (available <= 0) {
        return std::nullopt;
    }
    const char* packet = buffer_.constData() + start_;
    const int n = static_cast<unsigned char>(packet[0]);
    const int length = 1 + 4 * n;
    if (available < length) {
        return std::nullopt;
    }
    std::deque<unsigned int> words;
    for (int i = 0; i < n; ++i) {
        words.push_back(wordAt(packet + 1 + 4 * i));
    }
    start_ += length;
    return words;
}

}  // namespace Corvane
