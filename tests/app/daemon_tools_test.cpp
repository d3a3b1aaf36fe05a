// The command-line tools around the daemon: corvane-simboard (the board it
// builds from its options, the daemon run on it, signals passed on and the
// clean-up afterwards) and corvane-axi against the daemon on a simulated board.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <thread>

#include "axi/AxiNetworkUtil.h"
#include "harness/DaemonHarness.h"

using namespace Corvane::Testing;
using Corvane::Sim::BoardConfig;
using namespace Corvane;
namespace fs = std::filesystem;

namespace {

const QString simboard = QStringLiteral(CORVANE_BIN_DIR "/corvane-simboard");

ProgramRun runSimboard(const QStringList& args) {
    return runProgram(simboard, args);
}
ProgramRun runTool(const QStringList& args) {
    return runProgram(QStringLiteral(CORVANE_BIN_DIR "/corvane-axi"), args);
}

// What a person sees when something is wrong: one line, and no data.
void expectError(const ProgramRun& run, int exitCode, const std::string& text) {
    expectToolRun(run, exitCode, text);
    EXPECT_EQ(run.out, "");
}

TEST(Simboard, RunsTheDaemonOnTheBoardItDescribes) {
    const std::string testbedFile = fs::temp_directory_path() / "simboard_test_testbed";
    fs::remove(testbedFile);
    RunningProgram board(simboard,
                         {"--mezzanine", "9", "--reg", "2:0x10=0xabc", "--testbed-file",
                          QString::fromStdString(testbedFile)},
                         QRegularExpression("Waiting for connection"), QProcess::StandardOutput);
    ASSERT_TRUE(board.ready()) << board.said().toStdString();
    const std::string root = Corvane::Sim::SimulatedBoard::readFile(testbedFile);
    ASSERT_FALSE(root.empty());
    const std::string window = root.substr(0, root.size() - 1) + "/dev/xdma0_user";

    {
        WireClient client;
        client.sendWords({3});
        EXPECT_EQ(client.receive(), (std::vector<std::uint32_t>{4, 9}));
        EXPECT_EQ(client.read(2, 0x10), 0xabcu);
        client.sendWords({0, 2, 0x14, 0x5151});
        EXPECT_EQ(client.read(2, 0x14), 0x5151u);
    }
    const std::string bytes = Corvane::Sim::SimulatedBoard::readFile(window);
    ASSERT_EQ(bytes.size(), 0x800000u);
    EXPECT_EQ(wordAt(bytes, ((2 << 16) | 0x14) * 4), 0x5151u);

    EXPECT_EQ(board.terminate(), 128 + 15);  // SIGTERM, passed on to the daemon
    EXPECT_FALSE(fs::exists(testbedFile));
    EXPECT_FALSE(fs::exists(window)) << "the testbed was not removed";
}

TEST(Simboard, BuildsTheBoardFromItsOptions) {
    const ProgramRun lines = runSimboard(
        {"--keep", "--main", "0x44", "--fpga-version", "3.2.1+9", "--fpga-design-id", "4", "--",
         "sh", "-c",
         "for n in 127 126 125 124 123 122 121; do cat /sys/class/gpio/gpio$n/value; done; "
         "head -2 /proc/corv_pcie | tr -d '\\n'"});
    EXPECT_EQ(lines.out, "1\n0\n0\n0\n1\n0\n0\nfpga_version: 3.2.1+9fpga_design_id: 4");
    std::smatch kept;
    ASSERT_TRUE(std::regex_search(lines.err, kept, std::regex("testbed kept at (.*)")))
        << lines.err;
    EXPECT_TRUE(fs::exists(kept.str(1) + "/dev/xdma0_user"));
    fs::remove_all(kept.str(1));

    // The command's exit status is the tool's; an unfitted board is absent.
    const ProgramRun absent =
        runSimboard({"--mezzanine", "none", "--no-fpga", "--no-window", "--", "sh", "-c",
                     "test -e /sys/class/gpio/gpio508/value || "
                     "test -e /proc/corv_pcie || test -e /dev/xdma0_user "
                     "|| exit 3"});
    EXPECT_EQ(absent.exitCode, 3) << absent.err;

    if (!emulator().isEmpty()) {
        GTEST_SKIP() << hostProgramOnEmulatedBoard;
    }
    const ProgramRun record = runSimboard(
        {"--serial", "42", "--mac", "0a:0b:0c:0d:0e:0f", "--", "head", "-c", "26", "/dev/mtd8"});
    EXPECT_EQ(record.exitCode, 0) << record.err;
    EXPECT_EQ(record.out, "mac: \x0a\x0b\x0c\x0d\x0e\x0f\nserial: 000042");
}

TEST(Simboard, RefusesBoardsThatCannotExist) {
    const struct {
        QStringList args;
        const char* text;
    } cases[] = {
        {{"--main", "200"}, "does not fit 7 lines"},
        {{"--mezzanine", "32"}, "does not fit 5 lines"},
        {{"--reg", "32:0=1"}, "outside the window"},
        {{"--reg", "1:2"}, "expected BASE:OFFSET=VALUE"},
        {{"--fpga-version", "1.2"}, "expected MAJ.MIN.PATCH+BUILD"},
        {{"--serial", "1000000"}, "six digits"},
        {{"--mac", "0a:0b:0c"}, "six hexadecimal octets"},
        {{"--no-such-option"}, "Unknown option 'no-such-option'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        expectToolRun(runSimboard(c.args + QStringList{"--", "true"}), 2, c.text);
    }
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
