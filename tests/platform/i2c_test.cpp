// The I2C byte functions on the emulated /dev/i2c-3, and i2c-tools on it.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "SimulatedBoard.h"
#include "platform/i2c.h"
#include "support/ProgramRun.h"

using namespace Corvane;
using namespace Corvane::Sim;

namespace {

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
    if (!Testing::emulator().isEmpty()) {
        GTEST_SKIP() << Testing::hostProgramOnEmulatedBoard;
    }
    SimulatedBoard board;
    // Its exit status, a space and what it printed.
    const auto transfer = [&board](std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/sbin/i2ctransfer", "-y", "3"});
        std::string output;
        return std::to_string(board.run(args, output)) + " " + output;
    };
    EXPECT_EQ(transfer({"w1@0x39", "0x42", "r1"}), "0 0x00\n");
    board.hdmi()->command("plug");
    EXPECT_EQ(transfer({"w1@0x39", "0x42", "r1"}), "0 0x60\n");
    EXPECT_EQ(transfer({"w2@0x39", "0x96", "0xff"}), "0 ");
    EXPECT_EQ(board.hdmi()->reg(0x96), 0);
    EXPECT_THAT(
        transfer({"w1@0x3a", "0x42"}),
        testing::AllOf(testing::StartsWith("1 "), testing::HasSubstr("No such device or address")));
}

}  // namespace
