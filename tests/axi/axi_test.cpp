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

namespace {

TEST(RegisterWindow, WordIndexOfBaseAndOffset) {
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
        EXPECT_EQ(PcieAxi::wordIndex(c.base, c.offset), c.index) << c.base << "," << c.offset;
    }
}

// The accessors work on any mapping of the window's size; an anonymous one
// stands in for the device here.
class MappedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        void* p = ::mmap(nullptr, CORV_FPGA_WINDOW_BYTES, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(p, MAP_FAILED);
        window = static_cast<unsigned int*>(p);
    }
    void TearDown() override { ::munmap(window, CORV_FPGA_WINDOW_BYTES); }
    unsigned int* window = nullptr;
};

TEST_F(MappedWindow, ReadsAndWritesWholeWordsInsideOnlyAndRefusesNull) {
    EXPECT_EQ(corv_write_fpga_reg(window, 0x10002, 0xCAFEF00D), 0);
    EXPECT_EQ(window[0x40008 / 4], 0xCAFEF00Du);
    unsigned int value = 0;
    EXPECT_EQ(corv_read_fpga_reg(window, 0x10002, &value), 0);
    EXPECT_EQ(value, 0xCAFEF00Du);

    EXPECT_EQ(corv_write_fpga_reg(window, 0x1FFFFF, 7), 0);
    EXPECT_EQ(window[0x7FFFFC / 4], 7u);

    for (long outside : {-1L, 0x200000L, 0x7FFFFFFFL}) {
        value = 123;
        EXPECT_EQ(corv_read_fpga_reg(window, outside, &value), -34) << outside;
        EXPECT_EQ(value, 123u);
        EXPECT_EQ(corv_write_fpga_reg(window, outside, 1), -34) << outside;
    }
    EXPECT_EQ(corv_read_fpga_reg(nullptr, 0, &value), -22);
    EXPECT_EQ(corv_read_fpga_reg(window, 0, nullptr), -22);
    EXPECT_EQ(corv_write_fpga_reg(nullptr, 0, 1), -22);
    EXPECT_EQ(value, 123u);
}

// The words of a decoded transaction, encoded again; none when it is not one.
Words reencoded(const AxiDecodedTransaction& decoded) {
    return std::visit(
        [](const auto& t) -> Words {
            if constexpr (std::is_base_of_v<AxiNetworkTransaction, std::decay_t<decltype(t)>>) {
                return AxiNetworkUtil::encodeTransaction(t);
            }
            return {};
        },
        decoded);
}

// Packets as hex: the count byte, then each word little-endian.
TEST(AxiWire, EncodesEveryTypeLittleEndianAndDecodesItBack) {
    using U = AxiNetworkUtil;
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
        EXPECT_EQ(U::encodePacket(c.words).toHex().toStdString(),
                  QByteArray::fromHex(c.hex).toHex().toStdString())
            << c.name;
        // Words beyond those of the type are ignored.
        Words longer = c.words;
        longer.insert(longer.end(), {99, 100});
        EXPECT_EQ(reencoded(U::decodeWords(longer)), c.words) << c.name;
    }
    // The count byte wraps at 256 words.
    const QByteArray wrapped = U::encodePacket(Words(256, 7u));
    EXPECT_EQ(wrapped.size(), 1 + 4 * 256);
    EXPECT_EQ(wrapped[0], 0);
}

TEST(AxiWire, EmptyUnknownAndShortPackets) {
    EXPECT_TRUE(std::holds_alternative<std::monostate>(AxiNetworkUtil::decodeWords({})));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(AxiNetworkUtil::decodeWords({5, 0, 0, 0})));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(AxiNetworkUtil::decodeWords({0xFFFFFFFF})));

    const struct {
        Words words;
        unsigned int type;
    } shortCases[] = {{{0, 1, 2}, 0}, {{1, 1}, 1}, {{2}, 2}, {{4}, 4}};
    for (const auto& c : shortCases) {
        auto decoded = AxiNetworkUtil::decodeWords(c.words);
        ASSERT_TRUE(std::holds_alternative<AxiShortTransaction>(decoded)) << c.type;
        EXPECT_EQ(std::get<AxiShortTransaction>(decoded).type, c.type);
        EXPECT_EQ(std::get<AxiShortTransaction>(decoded).words, c.words.size());
    }
}

TEST(AxiWire, ParserCutsPacketsSplitAtEveryByte) {
    const Words first{1, 2, 0x10};
    const Words second{0, 31, 0xFFFF, 0xDEADBEEF};
    const QByteArray stream = AxiNetworkUtil::encodePacket(first) +
                              AxiNetworkUtil::encodePacket(Words{}) +
                              AxiNetworkUtil::encodePacket(second);
    for (int cut = 0; cut <= stream.size(); ++cut) {
        AxiPacketParser parser;
        std::vector<Words> got;
        for (const QByteArray& piece : {stream.left(cut), stream.mid(cut)}) {
            parser.append(piece);
            while (auto words = parser.next()) {
                got.push_back(*words);
            }
        }
        ASSERT_EQ(got.size(), 3u) << "cut at " << cut;
        EXPECT_EQ(got[0], first);
        EXPECT_TRUE(got[1].empty());
        EXPECT_EQ(got[2], second);
        EXPECT_EQ(parser.pendingBytes(), 0u);
    }
}

// A real TCP pair: the receiving side is a QTcpSocket read with the
// blocking receive; the sending side is a plain socket, whose small writes
// the kernel buffers so they can be made before the receive.
class AxiWireTcp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        peer = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.serverPort());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_TRUE(server.waitForNewConnection(5000));
        socket = server.nextPendingConnection();
        ASSERT_NE(socket, nullptr);
    }
    void TearDown() override { ::close(peer); }

    QTcpServer server;
    QTcpSocket* socket = nullptr;
    int peer = -1;
};

TEST_F(AxiWireTcp, PacketCompleteBeforeCloseIsReadOneCutShortIsNot) {
    const QByteArray bytes = AxiNetworkUtil::encodePacket({3}) +
                             QByteArray::fromHex("ff 01000000 0200");  // promises 255
    ASSERT_EQ(::send(peer, bytes.constData(), static_cast<size_t>(bytes.size()), 0), bytes.size());
    ::shutdown(peer, SHUT_WR);
    EXPECT_EQ(AxiNetworkUtil::receivePacket(*socket), Words{3});
    EXPECT_TRUE(
        std::holds_alternative<std::monostate>(AxiNetworkUtil::receiveTransaction(*socket)));
}

TEST_F(AxiWireTcp, SendPacketDeliversTheFramedBytesOrReportsAShortWrite) {
    EXPECT_TRUE(AxiNetworkUtil::sendPacket({2, 1, 4, 258}, *socket));
    socket->waitForBytesWritten(5000);  // the socket only buffered them
    QByteArray got(17, '\0');
    ASSERT_EQ(::recv(peer, got.data(), static_cast<size_t>(got.size()), MSG_WAITALL), got.size());
    EXPECT_EQ(got.toHex().toStdString(), "0402000000010000000400000002010000");

    Testing::LogCapture log;
    socket->abort();
    EXPECT_FALSE(AxiNetworkUtil::sendPacket({3}, *socket));
    EXPECT_TRUE(log.contains("Error sending data"));
}

}  // namespace
