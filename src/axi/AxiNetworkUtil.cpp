#include "axi/AxiNetworkUtil.h"

#include <QTcpSocket>

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

bool stillConnected(const QTcpSocket& socket) {
    return socket.state() == QAbstractSocket::ConnectedState;
}

// Waits until `bytes` are buffered; false when the peer went away first.
bool awaitBytes(QTcpSocket& socket, qint64 bytes) {
    while (socket.bytesAvailable() < bytes) {
        socket.waitForReadyRead(AxiNetworkUtil::receiveWaitMs);
        if (!stillConnected(socket) && socket.bytesAvailable() < bytes) {
            return false;
        }
    }
    return true;
}

}  // namespace

QByteArray AxiNetworkUtil::encodePacket(const std::deque<unsigned int>& words) {
    QByteArray bytes;
    bytes.reserve(1 + 4 * static_cast<int>(words.size()));
    bytes.append(static_cast<char>(words.size() & 0xFF));
    for (unsigned int w : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.append(static_cast<char>((w >> shift) & 0xFF));
        }
    }
    return bytes;
}

bool AxiNetworkUtil::sendPacket(std::deque<unsigned int> words, QTcpSocket& socket) {
    const QByteArray bytes = encodePacket(words);
    if (socket.write(bytes) != bytes.size()) {
        logLine(LogLevel::error, "Error sending data");
        return false;
    }
    return true;
}

std::deque<unsigned int> AxiNetworkUtil::encodeTransaction(const AxiNetworkTransaction& t) {
    std::deque<unsigned int> words{t.type};
    t.toBytes(words);
    return words;
}

AxiDecodedTransaction AxiNetworkUtil::decodeWords(const std::deque<unsigned int>& words) {
    if (words.empty() || words[0] > mezzanineVersionResponseType) {
        return std::monostate{};
    }
    const unsigned int type = words[0];
    if (words.size() < kWordsNeeded[type]) {
        return AxiShortTransaction{type, words.size()};
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

std::deque<unsigned int> AxiNetworkUtil::receivePacket(QTcpSocket& socket) {
    std::deque<unsigned int> words;
    if (!awaitBytes(socket, 1)) {
        return words;
    }
    char count = 0;
    socket.getChar(&count);
    const int n = static_cast<unsigned char>(count);
    if (!awaitBytes(socket, 4 * static_cast<qint64>(n))) {
        return words;
    }
    for (int i = 0; i < n; ++i) {
        char raw[4];
        if (socket.read(raw, 4) == 4) {
            words.push_back(wordAt(raw));
        }
    }
    return words;
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
