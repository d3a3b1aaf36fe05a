// The daemon binary on a simulated board, driven over real TCP: register
// access through the mapped window, version requests and their inventory.

#include <gtest/gtest.h>

#include <thread>

#include "support/DaemonHarness.h"

using namespace Corvane::Testing;
using Corvane::Sim::BoardConfig;

namespace {

const char* const inventoryNames[] = {
    "Software: ", "SHA1: ",      "Branch: ",     "Build ID: ", "Toolchain: ", "Image: ",
    "Main: ",     "Mezzanine: ", "Frontpanel: ", "FPGA ID: ",  "FPGA: "};

TEST(DaemonRegisters, WritesLandInTheWindowAndReadsSeeTheBoard) {
    struct Case {
        std::uint32_t base, offset, value;
        std::size_t byteOffset;  // where the register lies in the window
    };
    const Case cases[] = {
        {0, 0, 0x12345678, 0x0},
        {1, 2, 0xdeadbeef, 0x40008},
        {31, 0xFFFF, 0xa5a5a5a5, 0x7FFFFC},  // last register of the window
        {3, 0x10010, 0x01020304, 0xC0040},   // only the low 16 offset bits count
    };
    BoardConfig config;
    config.registers = {{2, 0x10, 0xcafef00d}};
    RunningDaemon daemon(config);
    WireClient client;
    EXPECT_EQ(client.read(2, 0x10), 0xcafef00du);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byteOffset);
        client.sendWords({0, c.base, c.offset, c.value});
        // The answer repeats the request's offset as sent, upper bits included.
        EXPECT_EQ(client.read(c.base, c.offset), c.value);
        EXPECT_EQ(windowWordAt(daemon.board(), c.byteOffset), c.value);
    }
    // A change made behind the daemon's back (the FPGA) is seen at once:
    // the window is not cached.
    daemon.board().writeRegister(2, 0x10, 0x600d);
    EXPECT_EQ(client.read(2, 0x10), 0x600du);
}

TEST(DaemonRegisters, WithoutTheDeviceReadsAreAllOnesAndWritesDropped) {
    BoardConfig config;
    config.window = false;
    RunningDaemon daemon(config);
    WireClient client;
    client.sendWords({0, 1, 2, 0x1234});
    EXPECT_EQ(client.read(1, 2), 0xFFFFFFFFu);
    EXPECT_EQ(client.read(0, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(daemon.waitFor("CORVLIB: Error opening device file"));
}

TEST(DaemonVersion, AnswersTheMezzanineAndLogsTheInventory) {
    BoardConfig known;  // main 65, mezzanine 5
    known.frontPanelId = 0;
    BoardConfig unknown;
    unknown.mainId = unknown.mezzanineId = unknown.frontPanelId = std::nullopt;
    unknown.fpga.reset();
    BoardConfig largest = known;
    largest.mezzanineId = 31;
    largest.fpga = BoardConfig::FpgaInfo{10, 0, 255, 4000000000u, 12};
    const struct {
        BoardConfig config;
        std::uint32_t answer;
        QString lines;  // inventory lines, joined by '|'
    } cases[] = {
        {known, 5,
         "Software: 2.2.0|Main: 65|Mezzanine: 5|Frontpanel: 0|FPGA ID: 7|FPGA: 1.4.2+311"},
        {unknown, 0,
         "Main: Unknown|Mezzanine: Unknown|Frontpanel: Unknown|FPGA ID: Unknown|FPGA: Unknown"},
        {largest, 31, "Mezzanine: 31|FPGA ID: 12|FPGA: 10.0.255+4000000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.toStdString());
        RunningDaemon daemon(c.config);
        WireClient client;
        // Two requests back to back: two answers in order, two inventories.
        client.send(WireClient::packet({3}) + WireClient::packet({3}));
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{4, c.answer}));
        }
        ASSERT_TRUE(daemon.waitFor("FPGA: ", 2));
        for (const char* name : inventoryNames) {
            EXPECT_EQ(daemon.count(std::string("]> ") + name), 2) << name;
        }
        for (const QString& line : c.lines.split('|')) {
            EXPECT_EQ(daemon.count("]> " + line.toStdString() + "\n"), 2) << line.toStdString();
        }
    }
}

TEST(DaemonVersion, BoardIdsReadOnceButFpgaInfoOnEveryRequest) {
    RunningDaemon daemon;
    WireClient client;
    client.sendWords({3});
    EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{4, 5}));
    daemon.board().setBoardId(Corvane::Sim::Board::mezzanine, 9);
    daemon.board().setProcText("fpga_version: 2.0.0+1\nfpga_design_id: 8\n");
    client.sendWords({3});
    EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{4, 5}));
    ASSERT_TRUE(daemon.waitFor("FPGA: ", 2));
    EXPECT_EQ(daemon.count("Mezzanine: 5\n"), 2);
    EXPECT_EQ(daemon.count("FPGA: 2.0.0+1\n"), 1);
}

TEST(DaemonService, DroppedPacketsLeaveTheConnectionInService) {
    RunningDaemon daemon;
    {
        WireClient client;
        const std::string bytes =
            WireClient::packet({2, 1, 2, 3}) + WireClient::packet({4, 7}) +  // response types
            WireClient::packet({0, 4, 4}) + WireClient::packet({1, 4}) +     // short: dropped
            WireClient::packet({4}) + WireClient::packet({0, 1, 9, 0x0badcafe}) +
            WireClient::packet({1, 1, 9});
        // A byte per segment: packets split anywhere decode the same.
        for (char byte : bytes) {
            client.send(std::string(1, byte));
            std::this_thread::sleep_for(2ms);
        }
        EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{2, 1, 9, 0x0badcafe}));
        // The dropped packets got no answer: the read response was the first.
        EXPECT_EQ(client.receive(200ms), std::nullopt);
    }
    ASSERT_TRUE(daemon.waitFor("TQ Network AXI server: Socket not connected"));
    EXPECT_EQ(daemon.count("TQ Network AXI server: Got a Bad transaction"), 2);
    EXPECT_EQ(daemon.count("Short transaction of type"), 3);
    EXPECT_EQ(daemon.count("TQ Network AXI server: Empty transaction (not) read"), 1);
}

TEST(DaemonService, TwoPacketsCutInTwoAtAnyByteAreServedAlike) {
    // Each first piece is read on its own: the cut lies inside the write,
    // at its end or inside the read that follows it, which then waits in
    // the daemon's buffer for the rest.
    RunningDaemon daemon;
    WireClient client;
    for (std::uint32_t cut = 1; cut < 30; ++cut) {
        SCOPED_TRACE(cut);
        const std::uint32_t value = 0x5000 + cut;
        const std::string bytes =
            WireClient::packet({0, 1, cut, value}) + WireClient::packet({1, 1, cut});
        ASSERT_EQ(bytes.size(), 30u);
        client.send(bytes.substr(0, cut));
        std::this_thread::sleep_for(5ms);
        client.send(bytes.substr(cut));
        EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{2, 1, cut, value}));
    }
}

}  // namespace
