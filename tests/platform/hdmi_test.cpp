// The HDMI transmitter service: its programming, interrupts and signals.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/hdmi.h"
#include "platform/i2c.h"
#include "support/BoardTestSupport.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace Corvane::Testing;
using namespace std::chrono_literals;

namespace {

TEST(Hdmi, InterruptsReprogramOnPlugAndSenseAndPowerDownOnUnplug) {
    const struct {
        const char* name;
        bool hotPlug;
        bool monitorSense;
        std::uint8_t flags;
        Writes expected;  // before the flags are cleared
    } cases[] = {
        {"plug", true, false, 0x80, configuration},
        {"plug with sense", true, true, 0xC0, configuration + configuration},
        {"sense", true, true, 0x40, configuration},
        {"sense without a display", false, true, 0x40, {}},
        {"unplug", false, false, 0xC0, {{0x41, 0x10}}},
        {"no flags", true, true, 0x00, {}},
    };
    SimulatedBoard board;
    const int bus = initHDMI();
    const int gpio = ::open("/sys/class/gpio/gpio63/value", O_RDONLY);
    ASSERT_GE(gpio, 0);
    EXPECT_EQ(board.hdmi()->writes(), Writes({{0xD6, 0x00}}) + configuration);
    int hotPlug = -1;
    int monitorSense = -1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        board.hdmi()->event(c.hotPlug, c.monitorSense, c.flags);
        EXPECT_EQ(hdmi_instr_out_get_status(bus, &hotPlug, &monitorSense), 2);
        EXPECT_EQ(hotPlug, c.hotPlug ? 0x40 : 0);
        EXPECT_EQ(monitorSense, c.monitorSense ? 0x20 : 0);
        board.hdmi()->clearWrites();
        EXPECT_EQ(handleInterrupt(bus, gpio), 2);
        EXPECT_EQ(board.hdmi()->writes(), c.expected + Writes({{0x96, 0xFF}}));
        EXPECT_EQ(board.hdmi()->reg(0x96), 0) << "the flags were not cleared";
    }
    ::close(gpio);
    ::close(bus);
}

TEST(Hdmi, SighupReplacesTheBusAndSigintEndsTheLoop) {
    SimulatedBoard board;
    int bus = initHDMI();
    testing::internal::CaptureStdout();
    auto loop = std::async(std::launch::async, [&bus] { return pollHDMI(&bus); });
    if (board.hdmiLine()->polls()) {
        // Past the interrupt a freshly opened line reports.
        EXPECT_TRUE(waitFor([&] { return board.hdmiLine()->pollers() == 1; }));
    }
    board.hdmi()->clearWrites();
    ASSERT_EQ(::kill(::getpid(), SIGHUP), 0);
    EXPECT_TRUE(waitFor([&] { return board.hdmi()->writes().size() >= 53; }));
    EXPECT_EQ(board.hdmi()->opens(), 2) << "the bus was not opened again";
    EXPECT_EQ(board.hdmi()->writes(), Writes({{0xD6, 0x00}}) + configuration + configuration);

    ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
    // One poll period is 500 ms; a loop that missed the flag would run on.
    ASSERT_EQ(loop.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(loop.get(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reinitialising HDMI\n");
    unsigned char value = 0;
    EXPECT_EQ(i2cReadByte(bus, 0xF5, &value), 2) << "the caller's descriptor is not the new bus";
    ::close(bus);
}

TEST(HdmiDeathTest, UnusableDevicesAndNullPointersAbort) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child must not build a second board
    BoardConfig config;
    config.hdmi = false;
    SimulatedBoard board(config);
    int out = 0;
    // The messages go to stdout; the child sends it to stderr to be matched.
    EXPECT_DEATH((::dup2(2, 1), initHDMI()), "Could not open /dev/i2c-3");
    EXPECT_DEATH((::dup2(2, 1), hdmi_instr_out_get_status(-1, nullptr, &out)), "NULL derefence");
    EXPECT_DEATH(handleInterrupt(-1, -1), "Couldn't read interrupt GPI");
    int bus = -1;
    EXPECT_DEATH((::dup2(2, 1), pollHDMI(&bus)), "Could not open /sys/class/gpio/gpio63/value");
}

}  // namespace
