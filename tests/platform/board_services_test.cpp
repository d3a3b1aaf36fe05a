// The board services against emulated kernel interfaces: GPIO value files,
// PWM attributes, the watchdog driver and the flash partition.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/watchdog.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "SimulatedBoard.h"
#include "corvlib/corvlib.h"
#include "platform/TqPlatformAbstraction.h"
#include "platform/boardid.h"
#include "platform/serialmac.h"
#include "platform/watchthedog.h"
#include "support/ProgramRun.h"

using namespace Corvane;
using Sim::Board;
using Sim::BoardConfig;
using Sim::SimulatedBoard;
using namespace std::chrono_literals;

namespace {

BoardConfig nothingFitted() {
    BoardConfig c;
    c.mainId.reset();
    c.mezzanineId.reset();
    c.frontPanelId.reset();
    return c;
}

// The identity cache lives for the process, so the whole story is one test.
TEST(BoardIdentity, ReadFromTheLinesOnceAndOnlyWhenReadable) {
    SimulatedBoard board(nothingFitted());
    EXPECT_EQ(read_board_id(0), -1);
    EXPECT_EQ(gpio_get_value(127), -1);

    // Lines 127..121 read 1,0,0,0,0,0,1: the first line is the top bit.
    board.setBoardId(Board::main, 65);
    EXPECT_EQ(gpio_get_value(127), 1);
    EXPECT_EQ(gpio_get_value(126), 0);
    EXPECT_EQ(read_board_id(0), 65) << "a failed reading must not be cached";

    board.setBoardId(Board::main, 3);
    EXPECT_EQ(read_board_id(0), 65) << "a good reading is kept for the process";

    // One missing line of five makes the whole identity unreadable.
    board.setBoardId(Board::mezzanine, 0x15);
    std::filesystem::remove_all(board.pathOf("/sys/class/gpio/gpio506"));
    EXPECT_EQ(read_board_id(1), -1);
    board.setBoardId(Board::mezzanine, 0x15);
    EXPECT_EQ(read_board_id(1), 0x15);

    // Identity 0 (all lines low) is an identity, not a missing board.
    board.setBoardId(Board::frontPanel, 0);
    TqPlatformAbstraction platform;
    EXPECT_TRUE(platform.hasBoard(TqTypes::FRONTPANEL));
    EXPECT_EQ(platform.getBoardId(TqTypes::FRONTPANEL), 0);
    EXPECT_EQ(platform.getBoardId(static_cast<TqTypes::boardIdentity>(3)), -1);
    EXPECT_EQ(read_board_id(-1), -1);
    EXPECT_EQ(read_board_id(3), -1);
}

TEST(Led, ColourBytesDriveTheThreeChannels) {
    struct Case {
        unsigned int colour;
        bool on;
        const char* red;  // expected duty cycles in ns
        const char* green;
        const char* blue;
    };
    const Case cases[] = {
        {0x00FF00, true, "0", "255000", "0"},
        {0x123456, true, "86000", "52000", "18000"},
        {0xFF000001, true, "1000", "0", "0"},  // the top byte is ignored
        {TqTypes::LED_WHITE, false, "0", "0", "0"},
    };
    SimulatedBoard board;
    TqPlatformAbstraction platform;
    const int chipOf[3] = {2, 0, 1};  // red, green, blue
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colour);
        board.clearPwmFiles();
        EXPECT_EQ(platform.setLED(static_cast<TqTypes::ledRGB>(c.colour), c.on), 0);
        const char* duties[3] = {c.red, c.green, c.blue};
        for (int i = 0; i < 3; ++i) {
            const auto attribute = [&](const char* name) {
                return SimulatedBoard::readFile(board.pwmPath(chipOf[i], name));
            };
            EXPECT_EQ(attribute("pwm0/duty_cycle"), duties[i]);
            EXPECT_EQ(attribute("pwm0/period"), c.on ? "255000" : "0");
            EXPECT_EQ(attribute("pwm0/enable"), c.on ? "1" : "0");
            EXPECT_EQ(attribute("export"), "0");
        }
    }
}

TEST(Led, MissingPwmChipsAreReportedByTheResult) {
    BoardConfig config;
    config.led = false;
    SimulatedBoard board(config);
    TqPlatformAbstraction platform;
    EXPECT_EQ(platform.setLED(TqTypes::LED_RED, true), 1);
}

TEST(Watchdog, StartKickAndMagicClose) {
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
        ASSERT_TRUE(board.waitForWatchdogClosed(2s));
        state = board.watchdog();
        EXPECT_FALSE(state.armed) << "the 'V' before the close must disarm it";
        EXPECT_EQ(state.magicCloses, round);
        EXPECT_EQ(state.unexpectedCloses, 0);
        EXPECT_EQ(state.busyRefusals, 0);
    }
    errno = 0;
    EXPECT_EQ(start_dog(0), -1) << "a timeout the driver refuses is reported";
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(stop_dog(), 1);
}

using WatchdogDeathTest = testing::Test;

TEST_F(WatchdogDeathTest, MisuseStopsTheProcess) {
    if (!Corvane::Testing::emulator().isEmpty()) {
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
    std::filesystem::remove_all(scratch);
    saved.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", saved.c_str(), 1);
}

// The emulation itself, as the driver behaves: it is what the tests above
// rely on to see a real fault.
TEST(WatchdogEmulation, BehavesLikeTheDriver) {
    SimulatedBoard board;
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
    // A 'V' that is not in the last write does not count.
    EXPECT_EQ(::write(first, "V", 1), 1);
    EXPECT_EQ(::write(first, "x", 1), 1);
    ::close(first);
    ASSERT_TRUE(board.waitForWatchdogClosed(2s));
    const auto state = board.watchdog();
    EXPECT_TRUE(state.armed);
    EXPECT_EQ(state.unexpectedCloses, 1);
    EXPECT_EQ(state.busyRefusals, 1);
}

TEST(SerialAndMac, ReadFromTheFlashRecord) {
    struct Case {
        const char* name;
        std::optional<std::string> flash;  // nothing: no partition
        int macResult;
        int serialResult;
        unsigned int serial;
    };
    const std::string mac("\x02\x00\x5e\xc0\xff\xee", 6);
    const std::string good = "mac: " + mac + "\nserial: 004711";
    const Case cases[] = {
        {"good record", good, 0, 0, 4711},
        {"bad mac marker", "MAC: " + mac + "\nserial: 004711", -1, 0, 4711},
        {"bad serial marker", "mac: " + mac + "\nSerial: 004711", 0, -1, 0},
        {"serial not digits", "mac: " + mac + "\nserial: 12a456", 0, -1, 0},
        {"erased flash", std::string(64, '\xff'), -1, -1, 0},
        {"record cut short", good.substr(0, 22), 0, -1, 0},
        {"no partition", std::nullopt, -1, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoardConfig config;
        config.serialMac.reset();
        SimulatedBoard board(config);
        if (c.flash) {
            // Written as is, not padded: a short record must stay short.
            SimulatedBoard::writeFile(board.pathOf("/dev/mtd8"), *c.flash);
        }
        unsigned char macOut[6] = {};
        EXPECT_EQ(getMac(macOut), c.macResult);
        if (c.macResult == 0) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(macOut), 6), mac);
        }
        unsigned int serial = 99;
        EXPECT_EQ(getSerial(&serial), c.serialResult);
        if (c.flash) {
            EXPECT_EQ(serial, c.serial);
        }
        TqPlatformAbstraction platform;
        EXPECT_EQ(platform.getSerialNumber(), c.serialResult == 0 ? c.serial : 0xFFFFFFFFu);
    }
    EXPECT_EQ(getMac(nullptr), -22);
    EXPECT_EQ(getSerial(nullptr), -22);
}

// A window the caller does not take is unmapped at once: nothing else could.
TEST(RegisterWindowDevice, MappedOnlyWhileTheCallerHoldsTheWindow) {
    SimulatedBoard board;
    const auto mapped = [&board] {
        return SimulatedBoard::readFile("/proc/self/maps").find(board.windowPath()) !=
               std::string::npos;
    };
    unsigned int* window = nullptr;
    const int fd = corv_open_fpga(&window);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(mapped());
    corv_close_fpga(fd, window);
    EXPECT_FALSE(mapped());

    const int bare = corv_open_fpga(nullptr);
    ASSERT_GE(bare, 0);
    EXPECT_FALSE(mapped());
    corv_close_fpga(bare, nullptr);
}

// FPGA build information from the PCIe driver's proc file, opened per
// object: its stream is not rewound, and a new object sees the text of now.
TEST(FpgaBuildInfo, TheFirstTwoLinesOncePerObject) {
    using Info = std::array<unsigned int, 5>;  // design id, major, minor, patch, build
    const Info untouched{111, 111, 111, 111, 111};
    struct Case {
        const char* name;
        std::optional<std::string> text;  // nothing: driver not loaded
        std::optional<Info> expected;     // nothing: refused
    };
    const Case cases[] = {
        {"driver's text", "fpga_version: 1.4.2+311\nfpga_design_id: 7\nlink: x4\n",
         Info{7, 1, 4, 2, 311}},
        {"no final newline", "fpga_version: 0.0.0+0\nfpga_design_id: 4294967295",
         Info{4294967295u, 0, 0, 0, 0}},
        {"version without build", "fpga_version: 1.4.2\nfpga_design_id: 7\n", std::nullopt},
        {"lines swapped", "fpga_design_id: 7\nfpga_version: 1.4.2+311\n", std::nullopt},
        {"design id missing", "fpga_version: 1.4.2+311\n", std::nullopt},
        {"empty", "", std::nullopt},
        {"no driver, outputs left alone", std::nullopt, std::nullopt},
    };
    SimulatedBoard board;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.text ? board.setProcText(*c.text) : board.removeProc();
        TqPlatformAbstraction platform;
        for (const std::optional<Info>& expected : {c.expected, std::optional<Info>()}) {
            Info info = untouched;
            const bool ok = platform.getFPGABuildInfo(info[0], info[1], info[2], info[3], info[4]);
            EXPECT_EQ(ok ? std::optional<Info>(info) : std::nullopt, expected);
            EXPECT_TRUE(c.text || info == untouched);
        }
    }
}

}  // namespace
