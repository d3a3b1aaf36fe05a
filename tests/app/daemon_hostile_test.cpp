// Hostile and careless clients: whatever arrives, the daemon keeps serving
// the next client and touches no register outside the window.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <string_view>
#include <thread>

#include "harness/DaemonHarness.h"

using namespace Corvane::Testing;
using Corvane::Sim::BoardConfig;

namespace {

BoardConfig boardWithMarker() {
    BoardConfig config;
    config.registers = {{4, 4, 0x4444}};
    return config;
}

void expectServing(RunningDaemon& daemon) {
    ASSERT_TRUE(daemon.alive());
    WireClient client;
    EXPECT_EQ(client.read(4, 4), 0x4444u);
}

TEST(DaemonHostile, BadInputEndsOnlyThatClientsService) {
    std::mt19937 random(20261206);
    std::string garbage(4096, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    struct Case {
        const char* name;
        std::string bytes;
        const char* closingLine;  // how the service of the connection ended
    };
    const std::string unknownType = WireClient::packet({5, 0, 0});
    const Case cases[] = {
        {"unknown type code", unknownType, "Socket still connected??"},
        {"count of zero", std::string(1, '\0'), "Socket still connected??"},
        {"truncated packet", WireClient::packet({0, 1, 2, 3}).substr(0, 7), "Socket not connected"},
        {"count of 255, then gone", std::string(1, '\xff') + "abc", "Socket not connected"},
        {"random bytes", garbage, nullptr},
    };
    RunningDaemon daemon(boardWithMarker());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int ended = daemon.count("TQ Network AXI server: Waiting for connection");
        {
            WireClient client;
            client.send(c.bytes);
            // The daemon gives up on a connection it cannot decode and
            // closes it, so the client is not left hanging.
            if (c.closingLine && std::string_view(c.closingLine) == "Socket still connected??") {
                EXPECT_TRUE(client.closedByDaemon());
            }
        }
        ASSERT_TRUE(daemon.waitFor("TQ Network AXI server: Waiting for connection", ended + 1));
        if (c.closingLine != nullptr) {
            EXPECT_GE(daemon.count(c.closingLine), 1);
        }
        expectServing(daemon);
    }
}

TEST(DaemonHostile, RequestsBeforeACutShortPacketAreAnsweredToAClientThatStoppedSending) {
    // From axid_receive_fuzz: the answer waited in the socket while the daemon
    // waited for the rest of the last packet, and reading the end of the
    // stream threw it away.
    const std::string cutShortPackets[] = {std::string("\x5d\x01\x03\x00\x00\x00", 6),
                                           std::string(1, '\x03')};
    RunningDaemon daemon(boardWithMarker());
    for (const std::string& cutShort : cutShortPackets) {
        WireClient client;
        client.send(WireClient::packet({1, 4, 4}) + cutShort);
        client.stopSending();
        EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{2, 4, 4, 0x4444}));
        EXPECT_TRUE(client.closedByDaemon());
    }
}

TEST(DaemonHostile, AccessesOutsideTheWindowAreRefused) {
    RunningDaemon daemon(boardWithMarker());
    const std::string before = Corvane::Sim::SimulatedBoard::readFile(daemon.board().windowPath());
    WireClient client;
    for (std::uint32_t base : {32u, 33u, 0x8000u, 0x10000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(base);
        // 0x10000 << 16 would wrap to register 0 in 32-bit arithmetic.
        client.sendWords({0, base, 0, 0x5a5a5a5a});
        client.sendWords({0, base, 0xFFFF, 0x5a5a5a5a});
        const auto value = client.read(base, 0);
        ASSERT_TRUE(value.has_value()) << "a read outside the window must still be answered";
        EXPECT_EQ(*value, 0xFFFFFFFFu);
    }
    EXPECT_EQ(client.read(4, 4), 0x4444u);
    EXPECT_TRUE(Corvane::Sim::SimulatedBoard::readFile(daemon.board().windowPath()) == before)
        << "a write outside the window changed the window";
}

TEST(DaemonHostile, ThousandClientsOneAfterAnother) {
    RunningDaemon daemon(boardWithMarker());
    expectServing(daemon);
    const int descriptors = daemon.openDescriptors();
    int answered = 0;
    for (int i = 0; i < 1000; ++i) {
        WireClient client;
        // Every fourth one leaves without waiting for its answer.
        if (i % 4 == 3) {
            client.sendWords({1, 4, 4});
            continue;
        }
        answered += client.read(4, 4) == 0x4444u ? 1 : 0;
    }
    EXPECT_EQ(answered, 750);
    expectServing(daemon);
    ASSERT_TRUE(daemon.waitFor("TQ Network AXI server: Got a connection", 1002));
    // Finished connections are released, not accumulated.
    EXPECT_LE(daemon.openDescriptors(), descriptors + 1);
}

TEST(DaemonHostile, AClientThatNeverFinishesItsPacketHoldsOnlyItsOwnConnection) {
    RunningDaemon daemon(boardWithMarker());
    WireClient silent;
    silent.send(std::string(1, '\x03'));  // promises 3 words, sends none
    ASSERT_TRUE(daemon.waitFor("Got a connection"));
    // Clients queued behind it, each with a request, wait for it to leave and
    // are then all served in turn.
    std::vector<std::unique_ptr<WireClient>> queue(10);
    for (auto& client : queue) {
        client = std::make_unique<WireClient>();
        client->sendWords({1, 4, 4});
    }
    EXPECT_EQ(queue.front()->receive(300ms), std::nullopt);
    silent.close();
    for (auto& client : queue) {
        EXPECT_EQ(client->receive(), (std::vector<std::uint32_t>{2, 4, 4, 0x4444}));
        client.reset();  // and make way for the next one
    }
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST(DaemonHostile, AClientThatNeverReadsIsHeldBackNotBuffered) {
    RunningDaemon daemon(boardWithMarker());
    expectServing(daemon);
    const long before = residentKiB(daemon.pid());
    ASSERT_GT(before, 0);
    // 500,000 pipelined reads: 8.5 MB of answers the client does not take yet.
    constexpr int requests = 500000;
    std::string burst;
    for (int i = 0; i < requests; ++i) {
        burst += WireClient::packet({1, 4, 4});
    }
    WireClient greedy;
    std::thread sender([&] { greedy.send(burst); });
    std::this_thread::sleep_for(1500ms);
    // Held back, the daemon grows by about 1.5 MB; queueing everything took
    // 8 MB.
    EXPECT_LT(residentKiB(daemon.pid()) - before, 4 * 1024);
    int answered = 0;
    while (answered < requests && greedy.receive() == std::vector<std::uint32_t>{2, 4, 4, 0x4444}) {
        ++answered;
    }
    sender.join();
    EXPECT_EQ(answered, requests);  // held back, nothing lost
}

}  // namespace
