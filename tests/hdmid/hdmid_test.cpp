// corvane-hdmid on the simulated board.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/BoardTestSupport.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace Corvane::Testing;

namespace {

// corvane-hdmid, unmodified on the board. A freshly opened line reports an
// interrupt at once, so the daemon's first pass clears the flags and serves
// what happened before it started; later events come through the edges
// (poll() reports nothing else); SIGINT ends it cleanly.
TEST(Hdmi, DaemonServesTheStartAndEventsAndSignals) {
    const struct {
        const char* name;
        bool hotPlug;
        bool monitorSense;
        std::uint8_t flags;  // flagged before the daemon starts
        Writes served;       // by the first pass, before the flags are cleared
    } cases[] = {
        {"nothing flagged", true, true, 0x00, {}},
        {"plugged with sense", true, true, 0xC0, configuration + configuration},
        {"unplugged", false, false, 0x80, {{0x41, 0x10}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedBoard board;
        if (!board.hdmiLine()->polls()) {
            GTEST_SKIP() << "the interrupt line needs FUSE (libfuse3, /dev/fuse, root)";
        }
        board.hdmi()->event(c.hotPlug, c.monitorSense, c.flags);
        const std::string output = board.rootDir() + ".hdmid";
        const pid_t pid = board.spawn({CORVANE_BIN_DIR "/corvane-hdmid"}, output);
        EXPECT_TRUE(waitFor([&] { return board.hdmiLine()->pollers() == 1; }));
        EXPECT_EQ(board.hdmi()->writes(),
                  Writes({{0xD6, 0x00}}) + configuration + c.served + Writes({{0x96, 0xFF}}));
        EXPECT_EQ(board.hdmi()->reg(0x96), 0) << "the flags were not cleared";

        board.hdmi()->clearWrites();
        board.hdmi()->command("unplug");
        EXPECT_TRUE(waitFor([&] { return board.hdmi()->writes().size() == 2; }));
        EXPECT_EQ(board.hdmi()->writes(), Writes({{0x41, 0x10}, {0x96, 0xFF}}));

        ::kill(pid, SIGINT);
        int status = -1;
        EXPECT_TRUE(waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        std::remove(output.c_str());
    }
}

}  // namespace
