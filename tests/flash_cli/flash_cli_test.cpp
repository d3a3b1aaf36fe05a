// corvane-flash on the simulated board, beside mtd-utils, and what the
// board services read after it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <mtd/mtd-user.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/flash.h"
#include "platform/serialmac.h"
#include "support/BoardTestSupport.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace Corvane::Testing;
namespace fs = std::filesystem;

namespace {

const std::string flashTool = CORVANE_BIN_DIR "/corvane-flash";

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

}  // namespace
