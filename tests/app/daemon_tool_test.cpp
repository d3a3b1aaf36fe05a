// corvane-axi against the daemon on a simulated board.

#include <gtest/gtest.h>

#include <QStringList>
#include <thread>

#include "harness/DaemonHarness.h"

using namespace Corvane::Testing;
using Corvane::Sim::BoardConfig;

namespace {

ProgramRun runTool(const QStringList& args) {
    return runProgram(QStringLiteral(CORVANE_BIN_DIR "/corvane-axi"), args);
}

// What a person sees when something is wrong: one line, and no data.
void expectError(const ProgramRun& run, int exitCode, const std::string& text) {
    expectToolRun(run, exitCode, text);
    EXPECT_EQ(run.out, "");
}

TEST(AxiTool, ReadsConsecutiveRegistersInOrder) {
    BoardConfig config;
    for (std::uint32_t i = 0; i < 200; ++i) {
        config.registers.push_back({3, 0x100 + i, 0xA0000000u + i * 7});
    }
    RunningDaemon daemon(config);
    const ProgramRun run = runTool({"read", "3", "0x100", "200"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string expected;
    for (std::uint32_t i = 0; i < 200; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "3:0x%08x = 0x%08x\n", 0x100 + i, 0xA0000000u + i * 7);
        expected += line;
    }
    EXPECT_EQ(run.out, expected);
    // All 200 requests went over one connection.
    EXPECT_EQ(daemon.count("Got a connection"), 1);

    const ProgramRun json = runTool({"--json", "read", "3", "0x100", "2"});
    EXPECT_EQ(json.out,
              "{\"reads\":[{\"base\":3,\"offset\":256,\"value\":2684354560},"
              "{\"base\":3,\"offset\":257,\"value\":2684354567}]}\n");
}

TEST(AxiTool, WriteLandsInTheWindowAndVersionAnswers) {
    RunningDaemon daemon;
    const ProgramRun write = runTool({"write", "1", "2", "0xfeedface"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    ASSERT_TRUE(daemon.waitFor("Socket not connected"));
    EXPECT_EQ(windowWordAt(daemon.board(), 0x40008), 0xfeedfaceu);

    EXPECT_EQ(runTool({"version"}).out, "mezzanine 5\n");
    EXPECT_EQ(runTool({"--json", "version"}).out, "{\"mezzanine\":5}\n");
}

TEST(AxiTool, WaitsUntilTheMaskedValueAppears) {
    RunningDaemon daemon;
    std::thread fpga([&] {
        std::this_thread::sleep_for(300ms);
        daemon.board().writeRegister(2, 8, 0x80000001);
    });
    const ProgramRun run =
        runTool({"wait", "2", "8", "0x80000000", "0x80000000", "--timeout", "5000"});
    fpga.join();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "2:0x00000008 = 0x80000001\n");

    const ProgramRun late = runTool({"wait", "2", "8", "0xff", "0x02", "--timeout", "200"});
    expectError(late, 1, "timed out after 200 ms");
}

TEST(AxiTool, ErrorsAreOneLineAndNonZero) {
    expectError(runTool({"version"}), 1, "cannot connect to 127.0.0.1:9430");  // no daemon
    RunningDaemon daemon;
    const struct {
        QStringList args;
        int exitCode;
        const char* text;
    } cases[] = {
        {{"read", "1", "0x"}, 2, "OFFSET: '0x' is not a number"},
        {{"read", "1", "2", "0"}, 2, "COUNT must be 1 to 65536"},
        {{"write", "1", "2", "0x100000000"}, 2, "VALUE: '0x100000000' is not a number"},
        {{"write", "1", "2"}, 2, "usage: corvane-axi write BASE OFFSET VALUE"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {{"--port", "9431", "version"}, 1, "cannot connect to 127.0.0.1:9431"},
        {{"--port", "70000", "version"}, 2, "--port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        expectError(runTool(c.args), c.exitCode, c.text);
    }
    // None of the malformed commands took the daemon's client slot.
    EXPECT_EQ(daemon.count("Got a connection"), 0);

    // A busy daemon is reported, not waited for forever.
    WireClient holder;  // the one client being served
    ASSERT_TRUE(daemon.waitFor("Got a connection"));
    expectError(runTool({"--timeout", "300", "read", "0", "0"}), 1,
                "no answer from 127.0.0.1:9430 within 300 ms");
}

}  // namespace
