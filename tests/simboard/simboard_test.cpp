// corvane-simboard: the board it builds from its options, the daemon run on
// it, signals passed on and the clean-up afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "support/DaemonHarness.h"

using namespace Corvane::Testing;
using namespace Corvane;
namespace fs = std::filesystem;

namespace {

const QString simboard = QStringLiteral(CORVANE_BIN_DIR "/corvane-simboard");

ProgramRun runSimboard(const QStringList& args) {
    return runProgram(simboard, args);
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

// A program left running after the board was killed outright would keep its
// board's mount namespace, and the other boards' mounts copied into it, alive.
TEST(Simboard, TheProgramEndsWithTheBoardEvenWhenItIsKilled) {
    RunningProgram board(simboard, {"--", "/bin/sh", "-c", "echo pid $$; exec sleep 60"},
                         QRegularExpression("pid (\\d+)"), QProcess::StandardOutput);
    ASSERT_TRUE(board.ready()) << board.said().toStdString();
    const std::string stat = "/proc/" + board.captured().toStdString() + "/stat";
    board.kill();
    const auto alive = [&stat] {
        const std::string line = Corvane::Sim::SimulatedBoard::readFile(stat);
        const auto state = line.find(") ");
        return state != std::string::npos && line[state + 2] != 'Z';
    };
    for (int i = 0; i < 100 && alive(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(alive()) << "the board's program outlived the board";
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

}  // namespace
