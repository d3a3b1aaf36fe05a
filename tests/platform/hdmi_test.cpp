// The I2C byte layer and the HDMI transmitter monitor against the simulated
// board's /dev/i2c-3 and interrupt line.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedBoard.h"
#include "platform/hdmi.h"
#include "platform/i2c.h"
#include "support/ProgramRun.h"

using namespace std::chrono_literals;
using Corvane::Sim::BoardConfig;
using Corvane::Sim::RegisterWrite;
using Corvane::Sim::SimulatedBoard;
using Writes = std::vector<RegisterWrite>;

namespace {

// The transmitter's configuration, as its data sheet wants it programmed.
const Writes configuration = {
    {0xD6, 0x90}, {0x98, 0x03}, {0x9A, 0xE0}, {0x9C, 0x30}, {0x9D, 0x61}, {0xA2, 0xA4},
    {0xA3, 0xA4}, {0xE0, 0xD0}, {0xF9, 0x00}, {0x01, 0x00}, {0x02, 0x18}, {0x03, 0x00},
    {0x0A, 0x03}, {0x0B, 0x20}, {0x0C, 0xBE}, {0x15, 0x20}, {0x16, 0x2E}, {0x17, 0x02},
    {0x18, 0x06}, {0x40, 0x80}, {0x4A, 0x90}, {0x4C, 0x04}, {0x4B, 0x80}, {0x41, 0x10},
    {0xBA, 0x60}, {0xAF, 0x06},
};

Writes operator+(Writes a, const Writes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Whether done() came true within 5 s.
bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

TEST(I2c, ResultsOfTheByteFunctions) {
    SimulatedBoard board;
    const int bus = ::open("/dev/i2c-3", O_RDWR);
    ASSERT_GE(bus, 0);
    const struct {
        const char* name;
        int address;
        int bus;
        int writeResult;
        int readResult;
        int error;
    } cases[] = {
        {"no address", -1, bus, -19, -19, 0},
        {"negative descriptor", 0x39, -1, -19, -19, 0},
        {"absent device", 0x50, bus, -1, -1, ENXIO},
        {"transmitter", 0x39, bus, 1, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        i2cSetDeviceAddress(c.address);
        errno = 0;
        EXPECT_EQ(i2cWriteByte(c.bus, 0x41, 0x50), c.writeResult);
        unsigned char value = 0;
        EXPECT_EQ(i2cReadByte(c.bus, 0x41, &value), c.readResult);
        EXPECT_EQ(errno, c.error);
        EXPECT_EQ(value, c.readResult > 0 ? 0x50 : 0);
        EXPECT_EQ(board.hdmi()->writes().size(), c.readResult > 0 ? 1u : 0u);
    }
    EXPECT_EQ(i2cReadByte(bus, 0x41, nullptr), -22);
    unsigned char id[2] = {};
    EXPECT_EQ(i2cReadByte(bus, 0xF5, &id[0]) + i2cReadByte(bus, 0xF6, &id[1]), 4);
    EXPECT_EQ(id[0] << 8 | id[1], 0x7511) << "the chip identity";

    // The bus itself, as i2c-dev answers: what the results above rest on.
    unsigned long funcs = 0;
    EXPECT_EQ(::ioctl(bus, I2C_FUNCS, &funcs), 0);
    EXPECT_TRUE(funcs & I2C_FUNC_I2C);
    std::vector<i2c_msg> messages(43, i2c_msg{0x39, I2C_M_RD, 1, id});
    for (unsigned int count : {0u, 43u}) {
        i2c_rdwr_ioctl_data request{messages.data(), count};
        errno = 0;
        EXPECT_EQ(::ioctl(bus, I2C_RDWR, &request), -1) << count;
        EXPECT_EQ(errno, EINVAL) << count;
    }
    i2c_rdwr_ioctl_data request{messages.data(), 42};
    EXPECT_EQ(::ioctl(bus, I2C_RDWR, &request), 42);
    ::close(bus);
}

TEST(I2c, I2ctransferReadsTheTransmitterStatus) {
    if (::access("/usr/sbin/i2ctransfer", X_OK) != 0) {
        GTEST_SKIP() << "i2c-tools' i2ctransfer is not installed";
    }
    if (!Corvane::Testing::emulator().isEmpty()) {
        GTEST_SKIP() << Corvane::Testing::hostProgramOnEmulatedBoard;
    }
    SimulatedBoard board;
    const std::vector<std::string> readStatus = {
        "/usr/sbin/i2ctransfer", "-y", "3", "w1@0x39", "0x42", "r1"};
    std::string output;
    EXPECT_EQ(board.run(readStatus, output), 0);
    EXPECT_EQ(output, "0x00\n");
    board.hdmi()->command("plug");
    EXPECT_EQ(board.run(readStatus, output), 0);
    EXPECT_EQ(output, "0x60\n");
    EXPECT_EQ(board.run({"/usr/sbin/i2ctransfer", "-y", "3", "w2@0x39", "0x96", "0xff"}, output),
              0);
    EXPECT_EQ(board.hdmi()->reg(0x96), 0);
    EXPECT_EQ(board.run({"/usr/sbin/i2ctransfer", "-y", "3", "w1@0x3a", "0x42"}, output), 1);
    EXPECT_NE(output.find("No such device or address"), std::string::npos) << output;
}

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
    board.hdmi()->clearWrites();
    ASSERT_EQ(::kill(::getpid(), SIGHUP), 0);
    EXPECT_TRUE(waitFor([&] { return board.hdmi()->writes().size() >= 53; }));
    EXPECT_EQ(board.hdmi()->opens(), 2) << "the bus was not opened again";
    EXPECT_EQ(board.hdmi()->writes(), Writes({{0xD6, 0x00}}) + configuration + configuration);

    ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
    // One poll period is 500 ms; a loop that missed the flag would run on.
    ASSERT_EQ(loop.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(loop.get(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reinitialising HDMI\n");
    unsigned char value = 0;
    EXPECT_EQ(i2cReadByte(bus, 0xF5, &value), 2) << "the caller's descriptor is not the new bus";
    ::close(bus);
}

// corvane-hdmid, unmodified on the board: an event is served through the
// interrupt line's edge (poll() reports nothing else), SIGINT ends it cleanly.
TEST(Hdmi, DaemonServesEventsAndSignals) {
    SimulatedBoard board;
    if (!board.hdmiLine()->polls()) {
        GTEST_SKIP() << "the interrupt line needs FUSE (libfuse3, /dev/fuse, root)";
    }
    const std::string output = board.rootDir() + ".hdmid";
    const pid_t pid = board.spawn({CORVANE_BIN_DIR "/corvane-hdmid"}, output);
    EXPECT_TRUE(waitFor([&] { return board.hdmiLine()->pollers() == 1; }));
    EXPECT_EQ(board.hdmi()->writes(), Writes({{0xD6, 0x00}}) + configuration);

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
