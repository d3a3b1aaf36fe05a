// The board services against emulated kernel interfaces (GPIO, PWM, the
// watchdog, the PCIe proc file, NOR flash, the HDMI transmitter on /dev/i2c-3
// and its interrupt line, hwmon through libsensors), and corvane-flash,
// corvane-hdmid and corvane-sensors on the board beside mtd-utils, i2c-tools
// and lm-sensors.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <linux/watchdog.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mtd/mtd-user.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedBoard.h"
#include "corvlib/corvlib.h"
#include "platform/TqPlatformAbstraction.h"
#include "platform/boardid.h"
#include "platform/flash.h"
#include "platform/hdmi.h"
#include "platform/healthsensors.h"
#include "platform/i2c.h"
#include "platform/serialmac.h"
#include "platform/watchthedog.h"
#include "support/LogCapture.h"
#include "support/ProgramRun.h"
#include "version/VersionInfo.h"

using namespace Corvane;
using namespace Corvane::Sim;
using Writes = std::vector<RegisterWrite>;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The identity cache lives for the process, so the whole story is one test.
// It starts with a version inventory of a board where nothing can be read.
TEST(BoardIdentity, ReadFromTheLinesOnceAndOnlyWhenReadable) {
    BoardConfig nothingFitted;
    nothingFitted.mainId = nothingFitted.mezzanineId = nothingFitted.frontPanelId = std::nullopt;
    nothingFitted.fpga.reset();
    SimulatedBoard board(nothingFitted);
    const auto entries = VersionInfo().getAllVersions();
    ASSERT_EQ(entries.size(), 11u);
    for (std::size_t i = 6; i < 11; ++i) {
        EXPECT_EQ(entries[i].version, "Unknown") << entries[i].name.toStdString();
    }
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
    fs::remove_all(board.pathOf("/sys/class/gpio/gpio506"));
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

TEST(Led, ColourBytesDriveTheThreeChannelsMissingChipsFail) {
    const struct {
        unsigned int colour;
        bool on;
        std::array<const char*, 3> duty;  // red, green, blue in ns; none: no PWM chips
    } cases[] = {
        {0x00FF00, true, {"0", "255000", "0"}},       {0x123456, true, {"86000", "52000", "18000"}},
        {0xFF000001, true, {"1000", "0", "0"}},  // the top byte is ignored
        {TqTypes::LED_WHITE, false, {"0", "0", "0"}}, {TqTypes::LED_RED, true, {}},
    };
    const int chipOf[3] = {2, 0, 1};  // red, green, blue
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colour);
        BoardConfig config;
        config.led = c.duty[0] != nullptr;
        SimulatedBoard board(config);
        EXPECT_EQ(TqPlatformAbstraction().setLED(static_cast<TqTypes::ledRGB>(c.colour), c.on),
                  config.led ? 0 : 1);
        for (int i = 0; config.led && i < 3; ++i) {
            const auto attribute = [&](const char* name) {
                return SimulatedBoard::readFile(board.pwmPath(chipOf[i], name));
            };
            EXPECT_EQ(attribute("pwm0/duty_cycle"), c.duty[i]);
            EXPECT_EQ(attribute("pwm0/period"), c.on ? "255000" : "0");
            EXPECT_EQ(attribute("pwm0/enable"), c.on ? "1" : "0");
            EXPECT_EQ(attribute("export"), "0");
        }
    }
}

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

TEST(SerialAndMac, ReadFromTheFlashRecord) {
    const std::string mac("\x02\x00\x5e\xc0\xff\xee", 6);
    const std::string good = "mac: " + mac + "\nserial: 004711";
    const struct {
        const char* name;
        std::optional<std::string> flash;  // nothing: no partition
        int macResult;
        int serialResult;
        unsigned int serial;
    } cases[] = {
        {"good record", good, 0, 0, 4711},
        {"bad mac marker", "MAC: " + mac + "\nserial: 004711", -1, 0, 4711},
        {"bad serial marker", "mac: " + mac + "\nSerial: 004711", 0, -1, 0},
        {"serial not digits", "mac: " + mac + "\nserial: 12a456", 0, -1, 0},
        {"erased flash", std::string(64, '\xff'), -1, -1, 0},
        {"record cut short", good.substr(0, 22), 0, -1, 0},
        {"no partition", std::nullopt, -1, -1, 0},
    };
    for (const auto& c : cases) {
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
    const struct {
        const char* name;
        std::optional<std::string> text;  // nothing: driver not loaded
        std::optional<Info> expected;     // nothing: refused
    } cases[] = {
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
    for (const auto& c : cases) {
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

constexpr std::size_t partitionSize = 1024 * 1024;  // /dev/mtd9
constexpr std::size_t block = 64 * 1024;

std::string pattern(std::size_t size, unsigned int seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) % 251);
    }
    return bytes;
}

const std::string flashTool = CORVANE_BIN_DIR "/corvane-flash";

class Flash : public testing::Test {
protected:
    // Partition contents that an erase or a write must visibly change.
    void fill(const std::string& bytes) { writeFile(board.pathOf("/dev/mtd9"), bytes); }
    std::string partition() const { return readFile(board.pathOf("/dev/mtd9")); }
    std::string scratch(const std::string& name, const std::string& bytes) const {
        const std::string path = board.rootDir() + "/" + name;
        SimulatedBoard::writeFile(path, bytes);
        return path;
    }

    SimulatedBoard board;
};

TEST_F(Flash, EmulationFollowsMtdchar) {
    struct stat st {};
    ASSERT_EQ(::stat("/dev/mtd9", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(st.st_rdev, makedev(90, 18));

    fill(std::string(partitionSize, '\0'));
    const int fd = ::open("/dev/mtd9", O_RDWR);
    ASSERT_GE(fd, 0);
    mtd_info_user info{};
    ASSERT_EQ(::ioctl(fd, MEMGETINFO, &info), 0);
    EXPECT_EQ(info.type, MTD_NORFLASH);
    EXPECT_EQ(info.size, partitionSize);
    EXPECT_EQ(info.erasesize, block);
    EXPECT_EQ(info.writesize, 1u);

    const struct {
        unsigned long request;
        std::uint64_t start, length;
        int error;  // 0: done
    } erases[] = {
        {MEMERASE, 0, block, 0},
        {MEMERASE64, partitionSize - block, block, 0},
        {MEMERASE, 100, block, EINVAL},
        {MEMERASE, 0, block + 1, EINVAL},
        {MEMERASE64, partitionSize, block, EINVAL},
        {MEMUNLOCK, partitionSize - block, 2 * block, EINVAL},
    };
    for (const auto& e : erases) {
        SCOPED_TRACE(e.start);
        erase_info_user64 wide{e.start, e.length};
        erase_info_user narrow{static_cast<std::uint32_t>(e.start),
                               static_cast<std::uint32_t>(e.length)};
        errno = 0;
        void* request = e.request == MEMERASE64 ? static_cast<void*>(&wide) : &narrow;
        EXPECT_EQ(::ioctl(fd, e.request, request), e.error ? -1 : 0);
        EXPECT_EQ(errno, e.error);
    }
    std::string expected(partitionSize, '\0');  // the first and the last block erased
    expected.replace(0, block, block, '\xff').replace(partitionSize - block, block, block, '\xff');

    // Programming clears bits only; a write crossing the end is shortened,
    // one at the end has no space.
    EXPECT_EQ(::write(fd, "\xf0\x0f\x3c", 3), 3);
    ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
    EXPECT_EQ(::write(fd, "\x3c\xff\x0f", 3), 3);
    ASSERT_EQ(::lseek(fd, partitionSize - 2, SEEK_SET), static_cast<off_t>(partitionSize - 2));
    EXPECT_EQ(::write(fd, "\x12\x34\x56\x78", 4), 2);
    ASSERT_EQ(::lseek(fd, partitionSize, SEEK_SET), static_cast<off_t>(partitionSize));
    errno = 0;
    EXPECT_EQ(::write(fd, "x", 1), -1);
    EXPECT_EQ(errno, ENOSPC);
    int bad = 0;
    errno = 0;
    EXPECT_EQ(::ioctl(fd, MEMGETBADBLOCK, &bad), -1);
    EXPECT_EQ(errno, ENOTTY);
    ::close(fd);
    expected.replace(0, 4, "\x30\x0f\x0c\xff", 4).replace(partitionSize - 2, 2, "\x12\x34");
    EXPECT_TRUE(partition() == expected);
}

TEST_F(Flash, EraseAndCopy) {
    const std::string text = "twenty-six bytes of image.", bytes = pattern(4000, 1);
    const std::string image26 = scratch("26.bin", text), image4000 = scratch("4000.bin", bytes);
    const std::string record = scratch("record.bin", "old contents that stay longer");
    const std::string dir = board.rootDir();
    const struct {
        const char* name;
        std::string source;  // empty: erase the destination
        std::string destination;
        long long size;
        int result;
        std::size_t erased;   // bytes from the start that were erased
        std::string written;  // then hold these bytes at the start
    } cases[] = {
        {"26 bytes erase one block", image26, "/dev/mtd9", -1, 0, block, text},
        {"a source shorter than the size", image4000, "/dev/mtd9", 5000, -5, block, bytes},
        {"larger than the partition", image4000, "/dev/mtd9", 2 * partitionSize, -4, 0, ""},
        {"source a directory", dir, "/dev/mtd9", -1, -2, 0, ""},
        {"no source", dir + "/none", "/dev/mtd9", -1, -2, 0, ""},
        {"destination a directory", image26, dir, -1, -3, 0, ""},
        {"destination in no directory", image26, dir + "/no/file", -1, -3, 0, ""},
        {"erase 100 bytes", "", "/dev/mtd9", 100, 0, block, ""},
        {"erase everything", "", "/dev/mtd9", FLASH_ERASE_ALL, 0, partitionSize, ""},
        {"erase past the end fails", "", "/dev/mtd9", partitionSize + 1, -1, partitionSize, ""},
        {"erase no device", "", "/dev/mtd7", 100, -2, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = pattern(partitionSize, 3);
        fill(before);
        const char* to = c.destination.c_str();
        EXPECT_EQ(c.source.empty() ? flashErase(to, static_cast<unsigned int>(c.size))
                                   : flashCopy(c.source.c_str(), to, static_cast<int>(c.size)),
                  c.result);
        std::string expected = before;
        expected.replace(0, c.erased, c.erased, '\xff');
        expected.replace(0, c.written.size(), c.written);
        EXPECT_TRUE(partition() == expected);
    }

    // From a partition into a file: the file is not cut to the copy.
    EXPECT_EQ(flashCopy("/dev/mtd8", record.c_str(), 11), 0);
    EXPECT_EQ(SimulatedBoard::readFile(record),
              std::string("mac: \x02\x00\x5e\xc0\xff\xee", 11) + "s that stay longer");
}

// Blocks locked down behind the write-protect pin: unlocking is taken but
// changes nothing, so the copy stops at its erase and the partition stays.
TEST(LockedFlash, CopyStopsAtTheRefusedErase) {
    BoardConfig config;
    config.imageFlashLockedDown = true;
    SimulatedBoard board(config);
    const std::string before = pattern(partitionSize, 4);
    writeFile(board.pathOf("/dev/mtd9"), before);

    const int fd = ::open("/dev/mtd9", O_RDWR);
    ASSERT_GE(fd, 0);
    erase_info_user first{0, block};
    EXPECT_EQ(::ioctl(fd, MEMUNLOCK, &first), 0);
    EXPECT_EQ(::ioctl(fd, MEMISLOCKED, &first), 1);
    errno = 0;
    EXPECT_EQ(::ioctl(fd, MEMERASE, &first), -1);
    EXPECT_EQ(errno, EROFS);
    errno = 0;
    EXPECT_EQ(::write(fd, "\0", 1), -1);
    EXPECT_EQ(errno, EROFS);
    ::close(fd);

    const std::string image = board.rootDir() + "/image.bin";
    SimulatedBoard::writeFile(image, pattern(100, 6));
    std::string out;
    EXPECT_EQ(board.run({flashTool, "--noisy", "copy", image, "/dev/mtd9"}, out), 1);
    EXPECT_NE(out.find("Write failed, could not erase device /dev/mtd9 first\n"
                       "Reason: Read-only file system\n"),
              std::string::npos)
        << out;
    EXPECT_TRUE(readFile(board.pathOf("/dev/mtd9")) == before);
}

TEST_F(Flash, ProgressForASupervisorAndInPlaceForPeople) {
    std::string out;
    EXPECT_EQ(board.run({flashTool, "--progress", "erase", "/dev/mtd9"}, out), 0);
    EXPECT_EQ(out,
              "006\n013\n019\n025\n031\n038\n044\n050\n056\n063\n069\n075\n081\n088\n094\n100\n"
              "erased /dev/mtd9\n");

    const std::string image = scratch("image.bin", pattern(3 * block, 2));
    EXPECT_EQ(board.run({flashTool, "--noisy", "copy", image, "/dev/mtd9"}, out), 0);
    // Three blocks erased, then three written, against the partition and
    // the image announced: 5 % a block, in place, a line per section.
    EXPECT_NE(out.find("196608 bytes to transfer\nErase in progress: ...\b\b\b005\b\b\b"
                       "011\b\b\b016\nTransfer in progress: ...\b\b\b017\b\b\b018"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\b\b\b032\nSuccess! Copied 196608 bytes from "), std::string::npos);
    EXPECT_EQ(partition().substr(0, 3 * block), pattern(3 * block, 2));

    EXPECT_EQ(board.run({flashTool, "serial", "--set", "1000000"}, out), 2);
    EXPECT_EQ(board.run({flashTool, "copy", image, "/dev/mtd9", "0x200000"}, out), 1);
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
}

// The record goes through /var/volatile/tmps and leaves /nostart behind: on
// the board's root (the testbed's rootfs), and nothing on the host.
TEST_F(Flash, SerialRecordIsWhatTheBoardServicesRead) {
    const bool hadVolatile = fs::exists("/var/volatile");
    const bool hadMarker = fs::exists(FLASH_NOSTART_MARKER);
    const auto record = [&] { return SimulatedBoard::readFile(board.pathOf("/dev/mtd8")); };
    std::string out;
    EXPECT_EQ(board.run({flashTool, "serial", "--set", "1234"}, out), 0) << out;
    EXPECT_EQ(record().substr(0, 27),
              std::string("mac: \x02\x00\x5e\x00\x04\xd2\nserial: 001234\xff", 27));
    unsigned int serial = 0;
    EXPECT_EQ(getSerial(&serial), 0);
    EXPECT_EQ(serial, 1234u);
    EXPECT_TRUE(fs::exists(board.rootPathOf(FLASH_NOSTART_MARKER)));
    EXPECT_EQ(SimulatedBoard::readFile(board.rootPathOf(FLASH_RECORD_TEMP_FILE)),
              record().substr(0, SERIALMAC_RECORD_BYTES));
    // Seven digits: the record keeps the first six, the MAC the low 24 bits.
    EXPECT_EQ(board.runInside([] { return setSerialAndMac(1234567); }), 0);
    EXPECT_EQ(record().substr(0, 27),
              std::string("mac: \x02\x00\x5e\x12\xd6\x87\nserial: 123456\xff", 27));
    EXPECT_EQ(fs::exists("/var/volatile"), hadVolatile);
    EXPECT_EQ(fs::exists(FLASH_NOSTART_MARKER), hadMarker);
}

// A failed record write names its step and the reason, in one line.
TEST_F(Flash, AFailedRecordWriteSaysWhichStepFailedAndWhy) {
    fs::create_directories(board.rootPathOf(FLASH_RECORD_TEMP_FILE));
    std::string out;
    EXPECT_EQ(board.run({flashTool, "serial", "--set", "1234"}, out), 1);
    EXPECT_EQ(out,
              "corvane-flash: writing the record to /dev/mtd8 failed: cannot create "
              "/var/volatile/tmps: Is a directory\n");
    if (!fs::exists("/var/volatile")) {
        // Off the board's root, as on a fresh machine.
        EXPECT_EQ(setSerialAndMac(1234), -1);
        EXPECT_STREQ(setSerialAndMacFailure(),
                     "cannot create /var/volatile/tmps: No such file or directory");
    }
}

TEST_F(Flash, FlashcpAndFlashEraseAgree) {
    if (::access("/usr/sbin/flashcp", X_OK) != 0 || ::access("/usr/sbin/flash_erase", X_OK) != 0) {
        GTEST_SKIP() << "mtd-utils (flashcp, flash_erase) not installed";
    }
    if (!Testing::emulator().isEmpty()) {
        GTEST_SKIP() << Testing::hostProgramOnEmulatedBoard;
    }
    // An image that ends inside a block, over contents no erase left there.
    const std::string image = scratch("peer.bin", pattern(300000, 5));
    const std::string before = pattern(partitionSize, 9);

    fill(before);
    std::string out;
    ASSERT_EQ(board.run({"/usr/sbin/flashcp", image, "/dev/mtd9"}, out), 0) << out;
    const std::string byFlashcp = partition();

    fill(before);
    ASSERT_EQ(board.run({flashTool, "copy", image, "/dev/mtd9"}, out), 0) << out;
    EXPECT_TRUE(partition() == byFlashcp);
    std::string expected = before;  // five blocks erased, the image over them
    expected.replace(0, 5 * block, 5 * block, '\xff').replace(0, 300000, pattern(300000, 5));
    EXPECT_TRUE(byFlashcp == expected);

    // And the whole partition erased by flash_erase reads back like ours.
    ASSERT_EQ(board.run({"/usr/sbin/flash_erase", "/dev/mtd9", "0", "0"}, out), 0) << out;
    const std::string byFlashErase = partition();
    fill(before);
    EXPECT_EQ(flashErase("/dev/mtd9", FLASH_ERASE_ALL), 0);
    EXPECT_TRUE(partition() == byFlashErase);
}

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

// Whether done() came true within 20 s (room for a slow machine).
bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 4000; ++i) {
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

class HealthSensors : public ::testing::Test {
protected:
    void SetUp() override {
        // Debian's armhf libsensors reads directories (/etc/sensors.d, sysfs)
        // without large-file support; under qemu-user the 64-bit kernel
        // gives it ext4's 64-bit directory offsets, which it cannot hold.
        if (!Testing::emulator().isEmpty()) {
            GTEST_SKIP() << "the emulated armhf libsensors gets EOVERFLOW reading this "
                            "machine's directories";
        }
    }
};

TEST_F(HealthSensors, AlarmsCountConsecutiveReadingsAtOrBeyondTheLimits) {
    const struct {
        Reading reading;
        TqTypes::sensorComponent component;
        std::vector<double> values;
        std::vector<int> alarms;  // after each update
    } cases[] = {
        {Reading::fpgaTemp,
         TqTypes::FPGATEMP,
         {84.9, 85.0, 85.0, 84.9, -1.0, -0.9},
         {0, 1, 2, 0, 1, 0}},
        {Reading::cpuTemp, TqTypes::CPUTEMP, {90.0, 20.0}, {1, 0}},
        {Reading::fiveVFive, TqTypes::FIVEVFIVE, {5.3, 5.301, 5.7, 5.699}, {1, 0, 1, 0}},
        {Reading::ddr, TqTypes::DDRV, {1.7, 1.3, 1.5}, {1, 2, 0}},
        {Reading::fan2, TqTypes::FANB, {1500, 1500, 1500, 2000, 2001}, {1, 2, 3, 4, 0}},
    };
    SimulatedBoard board;
    healthSensors sensors;
    for (const auto& c : cases) {
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            SCOPED_TRACE(testing::Message() << Sim::readingName(c.reading) << " = " << c.values[i]);
            board.setSensor(c.reading, c.values[i]);
            sensors.updateSensorsCache();
            const sensorData s = sensors.getCachedSensor(c.component);
            EXPECT_DOUBLE_EQ(s.value, c.values[i]);
            EXPECT_EQ(s.alarmCount, c.alarms[i]);
        }
    }
    // The other sensors were re-read all along at their in-range defaults.
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANA).alarmCount, 0);

    // A failed re-read is no reading: value and count stay as they were.
    board.setSensor(Reading::fan1, 1000);
    sensors.updateSensorsCache();
    SimulatedBoard::writeFile(board.sensorPath(Reading::fan1), "garbage\n");
    sensors.updateSensorsCache();
    EXPECT_DOUBLE_EQ(sensors.getCachedSensor(TqTypes::FANA).value, 1000);
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANA).alarmCount, 1);
}

TEST_F(HealthSensors, KnownSensorsInOrderAndEveryReadingByKey) {
    SimulatedBoard board;
    healthSensors sensors;
    std::vector<std::string> names;
    for (const sensorData& s : sensors.getAllCachedSensors()) {
        names.push_back(s.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"FPGA Temp", "CPU Temp", "5.5v", "vDDR", "Fan 1 RPM",
                                               "Fan 2 RPM", "Fan 3 RPM"}));
    const sensorData ddr = sensors.getCachedSensor(TqTypes::DDRV);
    EXPECT_EQ(ddr.value, 1.5);
    EXPECT_EQ(ddr.lowLimit, 1.3);
    EXPECT_EQ(ddr.highLimit, 1.7);

    for (int bad : {7, -1}) {
        EXPECT_THAT([&] { sensors.getCachedSensor(static_cast<TqTypes::sensorComponent>(bad)); },
                    testing::ThrowsMessage<std::out_of_range>(
                        testing::StrEq("getCachedSensor: No such component")))
            << bad;
    }

    const auto all = sensors.getEveryCachedReading();
    std::vector<std::string> keys;
    std::map<std::string, cachedReading> byKey;
    for (const cachedReading& r : all) {
        keys.push_back(r.key);
        byKey[r.key] = r;
    }
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    ASSERT_TRUE(byKey.count("adt7473in2_input+3.3V")) << "label from the configuration file";
    const cachedReading& extra = byKey["adt7473in2_input+3.3V"];
    EXPECT_EQ(extra.data.name, "Unknown");
    EXPECT_EQ(extra.data.lowLimit, 2.2250738585072014e-308);
    EXPECT_EQ(extra.data.highLimit, std::numeric_limits<double>::max());
    EXPECT_EQ(byKey["isppacin5_inputDDR3_VDD"].chip, "isppac-i2c-0-40");
    EXPECT_EQ(byKey["ultrascale-kintextemp1_inputtemp1"].chip, "ultrascale-kintex-virtual-0");
}

TEST_F(HealthSensors, MissingChipsAndUnreadableInputsKeepTheStartingValueAgainstTheLimits) {
    BoardConfig config;
    for (Reading r :
         {Reading::fan1, Reading::fan2, Reading::fan3, Reading::fiveVFive, Reading::ddr}) {
        config.sensors[static_cast<std::size_t>(r)].reset();  // no fan controller, no supplies
    }
    SimulatedBoard board(config);
    SimulatedBoard::writeFile(board.sensorPath(Reading::cpuTemp), "not a number\n");
    Testing::LogCapture log;
    healthSensors sensors;
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("Failed populating sensors:  -", 0), 0u) << log.lines()[0];

    board.setSensor(Reading::cpuTemp, 99.0);  // readable now, but never cached
    // Value 1 lies inside the temperatures' limits and below the others'.
    const std::pair<TqTypes::sensorComponent, int> alarmsAfterTwo[] = {
        {TqTypes::CPUTEMP, 0}, {TqTypes::FIVEVFIVE, 2}, {TqTypes::DDRV, 2},
        {TqTypes::FANA, 2},    {TqTypes::FANB, 2},      {TqTypes::FANC, 2},
    };
    for (const auto& entry : alarmsAfterTwo) {
        EXPECT_EQ(sensors.getCachedSensor(entry.first).alarmCount, 0) << "before any update";
    }
    sensors.updateSensorsCache();
    sensors.updateSensorsCache();
    for (const auto& [c, alarms] : alarmsAfterTwo) {
        const sensorData s = sensors.getCachedSensor(c);
        EXPECT_EQ(s.value, 1.0) << s.name;
        EXPECT_EQ(s.alarmCount, alarms) << s.name;
    }
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANB).name, "Fan 2 RPM");
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANB).lowLimit, 2000.0);
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FPGATEMP).alarmCount, 0) << "fitted, in range";
    for (const cachedReading& r : sensors.getEveryCachedReading()) {
        EXPECT_EQ(r.chip.rfind("adt7473", 0), std::string::npos) << r.key;
        EXPECT_EQ(r.chip.rfind("isppac", 0), std::string::npos) << r.key;
    }
}

TEST_F(HealthSensors, EveryReadingMatchesLmSensors) {
    if (::access("/usr/bin/sensors", X_OK) != 0) {
        GTEST_SKIP() << "lm-sensors' sensors program is not installed";
    }
    BoardConfig config;
    config.sensors[static_cast<std::size_t>(Reading::fan3)] = 1234;
    config.sensors[static_cast<std::size_t>(Reading::ddr)].reset();
    SimulatedBoard board(config);

    // sensors -u: a chip line, "Adapter: ...", "label:", "  sub: value".
    std::string text, json;
    ASSERT_EQ(board.run({"/usr/bin/sensors", "-u"}, text), 0) << text;
    ASSERT_EQ(board.run({CORVANE_BIN_DIR "/corvane-sensors", "--all", "--json"}, json), 0);
    std::map<std::string, std::string> peer;
    std::string chip;
    for (const std::string& line : Testing::linesOf(text)) {
        if (line.empty()) {
            chip.clear();
        } else if (chip.empty()) {
            chip = line;
        } else if (line.rfind("  ", 0) == 0) {
            const auto colon = line.find(':');
            peer[chip + " " + line.substr(2, colon - 2)] = line.substr(colon + 2);
        }
    }
    ASSERT_FALSE(peer.empty());

    std::map<std::string, std::string> ours;
    for (const QJsonValue& v : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
        const QJsonObject r = v.toObject();
        if (!r["chip"].toString().isEmpty()) {
            ours[(r["chip"].toString() + " " + r["subfeature"].toString()).toStdString()] =
                QString::number(r["value"].toDouble(), 'f', 3).toStdString();
        }
    }
    EXPECT_EQ(ours, peer);
    EXPECT_EQ(ours["adt7473-i2c-0-2e fan3_input"], "1234.000");
    EXPECT_EQ(ours.count("isppac-i2c-0-40 in5_input"), 0u);
}

}  // namespace
