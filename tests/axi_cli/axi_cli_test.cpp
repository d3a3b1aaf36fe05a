// corvane-axi against the daemon on a simulated board, and against a slow
// stand-in daemon.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <thread>

#include "axi/AxiNetworkUtil.h"
#include "support/DaemonHarness.h"

using namespace Corvane::Testing;
using Corvane::Sim::BoardConfig;
using namespace Corvane;

namespace {

ProgramRun runTool(const QStringList& args) {
    return runProgram(QStringLiteral(CORVANE_BIN_DIR "/corvane-axi"), args);
}

// What a person sees when something is wrong: one line, and no data.
void expectError(const ProgramRun& run, int exitCode, const std::string& text) {
    expectToolRun(run, exitCode, text);
    EXPECT_EQ(run.out, "");
}

TEST(AxiTool, ReadsInOrderWritesAndAsksTheVersion) {
    BoardConfig config;
    std::string expected;
    for (std::uint32_t i = 0; i < 200; ++i) {
        config.registers.push_back({3, 0x100 + i, 0xA0000000u + i * 7});
        char line[64];
        std::snprintf(line, sizeof line, "3:0x%08x = 0x%08x\n", 0x100 + i, 0xA0000000u + i * 7);
        expected += line;
    }
    RunningDaemon daemon(config);
    const ProgramRun run = runTool({"read", "3", "0x100", "200"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(daemon.count("Got a connection"), 1);  // all 200 requests on one connection
    EXPECT_EQ(runTool({"--json", "read", "3", "0x100", "2"}).out,
              "{\"reads\":[{\"base\":3,\"offset\":256,\"value\":2684354560},"
              "{\"base\":3,\"offset\":257,\"value\":2684354567}]}\n");

    const ProgramRun write = runTool({"write", "1", "2", "0xfeedface"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    ASSERT_TRUE(daemon.waitFor("Socket not connected", 3));
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
}

// A daemon that answers each read 100 ms late: the poll sent at the deadline
// goes unanswered, which is a timeout, not a busy daemon.
TEST(AxiTool, WaitTimesOutOnAPollUnansweredAtTheDeadline) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    AxiPacketParser parser;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&parser, peer] {
            parser.append(peer->readAll());
            while (const auto words = parser.next()) {
                const auto t = AxiNetworkUtil::decodeWords(*words);
                const auto& r = std::get<AxiReadRequestNetworkTransaction>(t);
                QTimer::singleShot(100, peer, [peer, r] {
                    AxiNetworkUtil::sendPacket(
                        AxiNetworkUtil::encodeTransaction(
                            AxiReadResponseNetworkTransaction(r.base, r.offset, 0x10)),
                        *peer);
                });
            }
        });
    });
    // The first answer comes at 100 ms, the next poll is sent at the deadline.
    expectError(runTool({"--port", QString::number(server.serverPort()), "wait", "2", "8", "1", "1",
                         "--timeout", "2000", "--interval", "5000"}),
                1, "timed out after 2000 ms: 2:0x00000008 = 0x00000010");
}

TEST(AxiTool, ErrorsAreOneLineAndNonZero) {
    const std::string daemonAt = "127.0.0.1:" + std::to_string(daemonPort);
    expectError(runTool({"version"}), 1, "cannot connect to " + daemonAt);  // no daemon
    const int otherPort = daemonPort + 1;
    RunningDaemon daemon;
    const struct {
        QStringList args;
        int exitCode;
        std::string text;
    } cases[] = {
        {{"read", "1", "0x"}, 2, "OFFSET: '0x' is not a number"},
        {{"read", "1", "2", "0"}, 2, "COUNT must be 1 to 65536"},
        {{"write", "1", "2", "0x100000000"}, 2, "VALUE: '0x100000000' is not a number"},
        {{"write", "1", "2"}, 2, "usage: corvane-axi write BASE OFFSET VALUE"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {{"--port", QString::number(otherPort), "version"},
         1,
         "cannot connect to 127.0.0.1:" + std::to_string(otherPort)},
        {{"--port", "70000", "version"}, 2, "--port"},
        {{"--no-such-option", "version"}, 2, "Unknown option 'no-such-option'"},
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
                "no answer from " + daemonAt + " within 300 ms");
}

}  // namespace
