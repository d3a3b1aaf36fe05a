// The AXI access paths: the PCIe register window and the network wire.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpServer>
#include <QTcpSocket>

#include "axi/AxiNetworkUtil.h"
#include "axi/PcieAxi.h"
#include "corvlib/corvlib.h"
#include "support/LogCapture.h"

using namespace Corvane;
using Words = std::deque<unsigned int>;
using U = AxiNetworkUtil;

namespace {

// The accessors work on any mapping of the window's size; an anonymous one
// stands in for the device here.
TEST(RegisterWindow, WordIndexOfBaseAndOffsetAccessedInsideTheWindowOnly) {
    void* mapping = ::mmap(nullptr, CORV_FPGA_WINDOW_BYTES, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    auto* window = static_cast<unsigned int*>(mapping);
    const struct {
        unsigned int base, offset;
        unsigned long long index;
    } cases[] = {
        {0, 0, 0},
        {0, 0x10000, 0},  // only the low 16 bits of the offset count
        {1, 2, 0x10002},
        {31, 0xFFFF, 0x1FFFFF},  // last register of the window
        {32, 0, 0x200000},       // first one past it
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFFFFFull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.base << "," << c.offset);
        EXPECT_EQ(PcieAxi::wordIndex(c.base, c.offset), c.index);
        const bool inside = c.index < 0x200000;
        const unsigned int word = 0xCAFEF00D ^ c.offset;
        unsigned int value = 123;
        EXPECT_EQ(corv_write_fpga_reg(window, static_cast<long>(c.index), word), inside ? 0 : -34);
        EXPECT_EQ(corv_read_fpga_reg(window, static_cast<long>(c.index), &value), inside ? 0 : -34);
        EXPECT_EQ(value, inside ? word : 123u);
        EXPECT_TRUE(!inside || window[c.index] == word);
    }
    unsigned int value = 123;
    for (long outside : {-1L, 0x7FFFFFFFL}) {
        EXPECT_EQ(corv_read_fpga_reg(window, outside, &value), -34) << outside;
        EXPECT_EQ(corv_write_fpga_reg(window, outside, 1), -34) << outside;
    }
    EXPECT_EQ(corv_read_fpga_reg(nullptr, 0, &value), -22);
    EXPECT_EQ(corv_read_fpga_reg(window, 0, nullptr), -22);
    EXPECT_EQ(corv_write_fpga_reg(nullptr, 0, 1), -22);
    EXPECT_EQ(value, 123u);
    ::munmap(mapping, CORV_FPGA_WINDOW_BYTES);
}

// The words of a decoded transaction, encoded again; none when it is not one.
Words reencoded(const AxiDecodedTransaction& decoded) {
    return std::visit(
        [](const auto& t) -> Words {
            if constexpr (std::is_base_of_v<AxiNetworkTransaction, std::decay_t<decltype(t)>>) {
                return U::encodeTransaction(t);
            }
            return {};
        },
        decoded);
}

// Packets as hex: the count byte, then each word little-endian. Decoded,
// words beyond those of the type are ignored, and a packet one word short
// is a short one of its type (none at all is nothing).
TEST(AxiWire, EncodesEveryTypeLittleEndianAndDecodesItBack) {
    const struct {
        const char* name;
        Words words;
        const char* hex;
    } cases[] = {
        {"write", U::encodeTransaction(AxiWriteNetworkTransaction(3, 0x1234, 0xA1B2C3D4)),
         "04 00000000 03000000 34120000 d4c3b2a1"},
        {"read request", U::encodeTransaction(AxiReadRequestNetworkTransaction(2, 0x10)),
         "03 01000000 02000000 10000000"},
        {"read response", U::encodeTransaction(AxiReadResponseNetworkTransaction(1, 4, 258)),
         "04 02000000 01000000 04000000 02010000"},
        {"version request", U::encodeTransaction(MezzanineVersionRequestNetworkTransaction()),
         "01 03000000"},
        {"version response",
         U::encodeTransaction(MezzanineVersionResponseNetworkTransaction(0x01020304)),
         "02 04000000 04030201"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(U::encodePacket(c.words).toHex().toStdString(),
                  QByteArray::fromHex(c.hex).toHex().toStdString());
        Words words = c.words;
        words.insert(words.end(), {99, 100});
        EXPECT_EQ(reencoded(U::decodeWords(words)), c.words);
        words.resize(c.words.size() - 1);
        const auto decoded = U::decodeWords(words);
        if (words.empty()) {
            EXPECT_TRUE(std::holds_alternative<std::monostate>(decoded));
        } else {
            ASSERT_TRUE(std::holds_alternative<AxiShortTransaction>(decoded));
            EXPECT_EQ(std::get<AxiShortTransaction>(decoded).type, c.words[0]);
            EXPECT_EQ(std::get<AxiShortTransaction>(decoded).words, words.size());
        }
    }
    for (const Words& unknown : {Words{5, 0, 0, 0}, Words{0xFFFFFFFF}}) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(U::decodeWords(unknown)));
    }
    // The count byte wraps at 256 words.
    const QByteArray wrapped = U::encodePacket(Words(256, 7u));
    EXPECT_EQ(wrapped.size(), 1 + 4 * 256);
    EXPECT_EQ(wrapped[0], 0);
}

TEST(AxiWire, ParserCutsPacketsSplitAtEveryByte) {
    const Words first{1, 2, 0x10};
    const Words second{0, 31, 0xFFFF, 0xDEADBEEF};
    const QByteArray stream =
        U::encodePacket(first) + U::encodePacket(Words{}) + U::encodePacket(second);
    for (int cut = 0; cut <= stream.size(); ++cut) {
        AxiPacketParser parser;
        std::vector<Words> got;
        for (const QByteArray& piece : {stream.left(cut), stream.mid(cut)}) {
            parser.append(piece);
            while (auto words = parser.next()) {
                got.push_back(*words);
            }
        }
        EXPECT_EQ(got, (std::vector<Words>{first, {}, second})) << "cut at " << cut;
        EXPECT_EQ(parser.pendingBytes(), 0u);
    }
}

// A real TCP pair: a QTcpSocket on one side, read with the blocking receive;
// a plain socket on the other, whose small writes the kernel buffers so they
// can be made before the receive.
TEST(AxiWireTcp, FramedBytesSentWholePacketsReceivedAndAShortWriteReported) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.serverPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_TRUE(server.waitForNewConnection(30000));
    QTcpSocket* socket = server.nextPendingConnection();
    ASSERT_NE(socket, nullptr);

    EXPECT_TRUE(U::sendPacket({2, 1, 4, 258}, *socket));
    socket->waitForBytesWritten(30000);  // the socket only buffered them
    QByteArray got(17, '\0');
    ASSERT_EQ(::recv(peer, got.data(), static_cast<size_t>(got.size()), MSG_WAITALL), got.size());
    EXPECT_EQ(got.toHex().toStdString(), "0402000000010000000400000002010000");

    // A packet complete before the close is read, one cut short is not.
    const QByteArray bytes = U::encodePacket({3}) + QByteArray::fromHex("ff 01000000 0200");
    ASSERT_EQ(::send(peer, bytes.constData(), static_cast<size_t>(bytes.size()), 0), bytes.size());
    ::shutdown(peer, SHUT_WR);
    EXPECT_EQ(U::receivePacket(*socket), Words{3});
    EXPECT_TRUE(std::holds_alternative<std::monostate>(U::receiveTransaction(*socket)));

    Testing::LogCapture log;
    socket->abort();
    EXPECT_FALSE(U::sendPacket({3}, *socket));
    EXPECT_TRUE(log.contains("Error sending data"));
    ::close(peer);
}

}  // namespace
