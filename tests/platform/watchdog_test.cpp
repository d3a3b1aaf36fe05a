// The watchdog service against the emulated /dev/watchdog and its driver's
// rules.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/watchdog.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "SimulatedBoard.h"
#include "platform/TqPlatformAbstraction.h"
#include "platform/watchthedog.h"
#include "support/ProgramRun.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The driver's rules the emulation follows are checked last: the checks
// before them rest on those rules to see a real fault.
TEST(Watchdog, StartKickMagicCloseAndTheDriversRules) {
    SimulatedBoard board;
    TqPlatformAbstraction platform;
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(platform.startWatchdog(30), 0);
        EXPECT_EQ(platform.kickWatchdog(), 0);
        EXPECT_EQ(platform.kickWatchdog(), 0);
        auto state = board.watchdog();
        EXPECT_TRUE(state.armed);
        EXPECT_EQ(state.timeoutSeconds, 30);
        EXPECT_EQ(state.opens, round);
        EXPECT_GE(state.keepalives, 2 * round);

        EXPECT_EQ(platform.stopWatchdog(), 1);
        ASSERT_TRUE(board.waitForWatchdogClosed(10s));
        state = board.watchdog();
        EXPECT_FALSE(state.armed) << "the 'V' before the close must disarm it";
        EXPECT_EQ(state.magicCloses, round);
    }
    errno = 0;
    EXPECT_EQ(start_dog(0), -1) << "a timeout the driver refuses is reported";
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(stop_dog(), 1);
    ASSERT_TRUE(board.waitForWatchdogClosed(10s));

    // One open at a time; a 'V' that is not in the last write does not count.
    const int first = ::open("/dev/watchdog", O_RDWR);
    ASSERT_GE(first, 0);
    const int second = ::open("/dev/watchdog", O_RDWR);
    ASSERT_GE(second, 0);
    int timeout = 7;
    errno = 0;
    EXPECT_EQ(::ioctl(second, WDIOC_SETTIMEOUT, &timeout), -1);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(::ioctl(first, WDIOC_SETTIMEOUT, &timeout), 0);
    EXPECT_EQ(timeout, 7);
    int temperature = 0;
    errno = 0;
    EXPECT_EQ(::ioctl(first, WDIOC_GETTEMP, &temperature), -1);
    EXPECT_EQ(errno, ENOTTY);
    ::close(second);
    EXPECT_EQ(::write(first, "V", 1), 1);
    EXPECT_EQ(::write(first, "x", 1), 1);
    ::close(first);
    ASSERT_TRUE(board.waitForWatchdogClosed(10s));
    const auto state = board.watchdog();
    EXPECT_TRUE(state.armed);
    EXPECT_EQ(state.unexpectedCloses, 1) << "none before these descriptors";
    EXPECT_EQ(state.busyRefusals, 1) << "none before these descriptors";
}

using WatchdogDeathTest = testing::Test;

TEST_F(WatchdogDeathTest, MisuseStopsTheProcess) {
    if (!Testing::emulator().isEmpty()) {
        // (the kernel cannot run the armhf program without the emulator)
        GTEST_SKIP() << "a threadsafe death test re-executes the test program itself";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    BoardConfig noDevice;
    noDevice.watchdog = false;
    SimulatedBoard board(noDevice);
    // Each dying child re-runs this test and builds its own board, which it
    // cannot remove: their boards go into a directory this process removes.
    // (GLib reads TMPDIR once per process, so this board is not affected.)
    const std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    const bool inChild = saved.find("/watchdog-death.") != std::string::npos;
    char scratch[] = "/tmp/watchdog-death.XXXXXX";
    if (!inChild) {
        ASSERT_NE(::mkdtemp(scratch), nullptr);
        ::setenv("TMPDIR", scratch, 1);
    }
    EXPECT_DEATH(kick_dog(), "Watchdog device not open");
    EXPECT_DEATH(stop_dog(), "Watchdog device not open");
    EXPECT_DEATH(start_dog(10), "Couldn't open the watchdog at /dev/watchdog");
    fs::remove_all(scratch);
    saved.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", saved.c_str(), 1);
}

}  // namespace
