// corvane-axi's named registers, with the example map, against the daemon on
// the simulated board: what lands in the register window file.

#include <gtest/gtest.h>

#include "support/DaemonHarness.h"

using namespace Corvane::Testing;
using Corvane::Sim::BoardConfig;

namespace {

const QString exampleMap = QStringLiteral(CORVANE_EXAMPLE_MAP);

ProgramRun runTool(const QStringList& args, const std::function<void(QProcess&)>& onLine = {}) {
    return runProgram(QStringLiteral(CORVANE_BIN_DIR "/corvane-axi"),
                      QStringList{"--map", exampleMap} + args, onLine);
}

// Byte offsets in the window of the example's registers.
constexpr std::size_t ctrlAt = 4, statusAt = 8, lut2At = ((1 << 16) | 0x42) * 4;

BoardConfig exampleBoard() {
    BoardConfig config;
    config.registers = {{0, 1, 0x12000043},  // sys.ctrl: version 0x12, lanes 4, ANALYSE, enabled
                        {0, 2, 0x00000102},  // sys.status: busy, overflow
                        {0, 3, 0x00000077},  // sys.events
                        {1, 0, 0x00000002}};
    return config;
}

TEST(AxiNamedRegisters, ReadWriteAndDumpByName) {
    RunningDaemon daemon(exampleBoard());
    EXPECT_EQ(runTool({"regs", "video.lut[1]"}).out,
              "video.lut[1]  0x00040104  1:0x0041  RW  reset 0x00000000\n"
              "    [15:0] lo RW reset 0x0\n    [31:16] hi RW reset 0x0\n");
    const ProgramRun read = runTool({"read", "sys.ctrl"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out,
              "sys.ctrl = 0x12000043 (0:0x0001)\n    enable = 0x1\n    mode = 0x1 ANALYSE\n"
              "    lanes = 0x4\n    version = 0x12\n");
    EXPECT_EQ(runTool({"read", "sys.ctrl.mode"}).out, "sys.ctrl.mode = 0x1 ANALYSE\n");
    EXPECT_EQ(runTool({"--json", "read", "video.format.rate"}).out,
              "{\"enum\":\"3G\",\"name\":\"video.format.rate\",\"value\":2}\n");

    // A field write changes its bits and nothing else, by name or number.
    const struct {
        QString assignment;
        std::size_t at;
        std::uint32_t word;
    } writes[] = {
        {"sys.ctrl.mode=LOOPBACK", ctrlAt, 0x12000047},
        {"sys.ctrl.lanes=0xf", ctrlAt, 0x120000F7},
        {"sys.ctrl.enable=0", ctrlAt, 0x120000F6},
        {"video.lut[2]=0xdeadbeef", lut2At, 0xDEADBEEF},
        {"video.lut[2].hi=0x1234", lut2At, 0x1234BEEF},
    };
    for (const auto& w : writes) {
        SCOPED_TRACE(w.assignment.toStdString());
        const ProgramRun run = runTool({"write", w.assignment});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        // The write has no answer: read it back through the daemon, then the file.
        runTool({"read", "sys.id"});
        EXPECT_EQ(windowWordAt(daemon.board(), w.at), w.word);
    }

    // dump marks what differs from reset and leaves side-effect reads alone.
    const ProgramRun dump = runTool({"dump", "sys"});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_NE(dump.out.find("sys.status = 0x00000102 (0:0x0002) * reset 0x00000000\n"
                            "    done = 0x0\n    * overflow = 0x1\n    * busy = 0x1\n"),
              std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find("sys.events: skipped (reading it has a side effect"),
              std::string::npos);
    EXPECT_EQ(runTool({"--force", "dump", "sys.ev*"}).out,
              "sys.events = 0x00000077 (0:0x0003)\n    event = 0x77\n");
    const ProgramRun json = runTool({"--json", "dump", "video.*"});
    EXPECT_NE(json.out.find("\"skipped\":[{\"name\":\"video.command\",\"reason\":\"write-only\"}]"),
              std::string::npos)
        << json.out;
}

TEST(AxiNamedRegisters, RefusesWhatWouldDoHarm) {
    RunningDaemon daemon(exampleBoard());
    const struct {
        QStringList args;
        int exitCode;
        const char* text;
    } cases[] = {
        {{"write", "sys.ctrl.version=1"}, 1, "sys.ctrl.version is read-only"},
        {{"write", "sys.id=1"}, 1, "sys.id is read-only"},
        {{"write", "video.command.opcode=1"}, 1, "video.command is write-only"},
        {{"write", "sys.status.busy=1"}, 1, "sys.status.busy is read-only"},
        {{"write", "sys.status.done=1"}, 1, "side-effect fields done (oneToClear), overflow"},
        {{"write", "sys.events.event=1"}, 1, "sys.events.event is read-only"},
        {{"write", "sys.ctrl.mode=4"}, 2, "sys.ctrl.mode: 4 does not fit 2 bits"},
        {{"write", "sys.ctrl.mode=FAST"}, 2, "neither a number nor one of its values"},
        {{"read", "video.command"}, 1, "video.command is write-only"},
        {{"read", "sys.nothing"}, 2, "no register 'sys.nothing'"},
        {{"read", "sys.ctrl.nothing"}, 2, "sys.ctrl has no field 'nothing'"},
        {{"watch", "sys.events"}, 1, "every poll would trigger it"},
        {{"dump", "nothing*"}, 2, "no register matches 'nothing*'"},
        {{"watch", "sys.ctrl", "--count", "0"}, 2, "--count: '0'"},
        {{"--map", "/nonexistent.xml", "regs"}, 1, "/nonexistent.xml"},
        {{"--map", CORVANE_BIN_DIR "/corvane-axi", "regs"}, 1, "malformed XML"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun run = runTool(c.args);
        expectToolRun(run, c.exitCode, c.text);
        EXPECT_EQ(run.out, "");
    }
    const ProgramRun noMap =
        runProgram(QStringLiteral(CORVANE_BIN_DIR "/corvane-axi"), {"read", "sys.ctrl"});
    expectToolRun(noMap, 2, "need a register map (--map FILE or CORVANE_REGISTER_MAP)");
    qputenv("CORVANE_REGISTER_MAP", exampleMap.toUtf8());
    const ProgramRun fromEnvironment =
        runProgram(QStringLiteral(CORVANE_BIN_DIR "/corvane-axi"), {"read", "sys.ctrl.lanes"});
    qunsetenv("CORVANE_REGISTER_MAP");
    EXPECT_EQ(fromEnvironment.out, "sys.ctrl.lanes = 0x4\n") << fromEnvironment.err;
    EXPECT_EQ(windowWordAt(daemon.board(), statusAt), 0x102u);
    EXPECT_EQ(windowWordAt(daemon.board(), ctrlAt), 0x12000043u);

    // --force writes the field back, side effects and all.
    ASSERT_EQ(runTool({"--force", "write", "sys.status.done=1"}).exitCode, 0);
    runTool({"read", "sys.id"});
    EXPECT_EQ(windowWordAt(daemon.board(), statusAt), 0x103u);
}

// watch holds no connection between polls, so a second corvane-axi gets in.
TEST(AxiNamedRegisters, WatchSeesAnotherClientsWrite) {
    RunningDaemon daemon(exampleBoard());
    ProgramRun writer;
    const ProgramRun watch =
        runTool({"watch", "sys.status", "--interval", "20", "--count", "1"}, [&](QProcess&) {
            writer = runTool({"write", "sys.status=0x101"});
        });
    EXPECT_EQ(writer.exitCode, 0) << writer.err;
    ASSERT_EQ(watch.exitCode, 0) << watch.err;
    EXPECT_EQ(watch.out,
              "sys.status = 0x00000102\n"
              "sys.status = 0x00000101  changed: done, overflow\n");
}

}  // namespace
