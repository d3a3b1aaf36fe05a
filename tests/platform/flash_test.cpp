// Flash programming on the simulated board's NOR partitions: the emulation
// against the kernel's rules, the flash functions and corvane-flash, and
// mtd-utils' flash_erase and flashcp as peers on the same partition.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <mtd/mtd-user.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "SimulatedBoard.h"
#include "platform/flash.h"
#include "platform/serialmac.h"
#include "support/ProgramRun.h"

using Corvane::Sim::SimulatedBoard;
namespace fs = std::filesystem;

namespace {

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
    void fill(const std::string& bytes) { SimulatedBoard::writeFile(mtd9(), bytes); }
    std::string partition() const { return SimulatedBoard::readFile(mtd9()); }
    std::string mtd9() const { return board.pathOf("/dev/mtd9"); }
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

    struct EraseCase {
        unsigned long request;
        std::uint64_t start, length;
        int error;  // 0: done
    };
    const EraseCase erases[] = {
        {MEMERASE, 0, block, 0},
        {MEMERASE64, partitionSize - block, block, 0},
        {MEMERASE, 100, block, EINVAL},
        {MEMERASE, 0, block + 1, EINVAL},
        {MEMERASE64, partitionSize, block, EINVAL},
        {MEMUNLOCK, partitionSize - block, 2 * block, EINVAL},
    };
    for (const EraseCase& e : erases) {
        SCOPED_TRACE(e.start);
        erase_info_user64 wide{e.start, e.length};
        erase_info_user narrow{static_cast<std::uint32_t>(e.start),
                               static_cast<std::uint32_t>(e.length)};
        errno = 0;
        void* request = e.request == MEMERASE64 ? static_cast<void*>(&wide) : &narrow;
        EXPECT_EQ(::ioctl(fd, e.request, request), e.error ? -1 : 0);
        EXPECT_EQ(errno, e.error);
    }
    std::string bytes = partition();
    EXPECT_EQ(bytes.substr(0, block), std::string(block, '\xff'));
    EXPECT_EQ(bytes.substr(block, partitionSize - 2 * block),
              std::string(partitionSize - 2 * block, '\0'));
    EXPECT_EQ(bytes.substr(partitionSize - block), std::string(block, '\xff'));

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
    bytes = partition();
    ASSERT_EQ(bytes.size(), partitionSize);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x30\x0f\x0c\xff", 4));
    EXPECT_EQ(bytes.substr(partitionSize - 2), "\x12\x34");
}

TEST_F(Flash, EraseAndCopy) {
    const std::string text = "twenty-six bytes of image.", bytes = pattern(4000, 1);
    const std::string image26 = scratch("26.bin", text), image4000 = scratch("4000.bin", bytes);
    const std::string record = scratch("record.bin", "old contents that stay longer");
    const std::string dir = board.rootDir();
    struct Case {
        const char* name;
        std::string source;  // empty: erase the destination
        std::string destination;
        long long size;
        int result;
        std::size_t erased;   // bytes from the start that were erased
        std::string written;  // then hold these bytes at the start
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
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

// The record goes through /var/volatile and leaves /nostart behind, on
// whatever machine runs this: both are put back as they were.
TEST_F(Flash, SerialRecordIsWhatTheBoardServicesRead) {
    const bool hadVolatile = fs::exists("/var/volatile");
    const bool hadMarker = fs::exists(FLASH_NOSTART_MARKER);
    fs::create_directories("/var/volatile");
    if (::access("/var/volatile", W_OK) != 0 || ::access("/", W_OK) != 0) {
        GTEST_SKIP() << "needs to write /var/volatile and / (run as root)";
    }
    std::string out;
    EXPECT_EQ(board.run({flashTool, "serial", "--set", "1234"}, out), 0) << out;
    EXPECT_EQ(SimulatedBoard::readFile(board.pathOf("/dev/mtd8")).substr(0, 27),
              std::string("mac: \x02\x00\x5e\x00\x04\xd2\nserial: 001234\xff", 27));
    unsigned int serial = 0;
    EXPECT_EQ(getSerial(&serial), 0);
    EXPECT_EQ(serial, 1234u);
    EXPECT_TRUE(fs::exists(FLASH_NOSTART_MARKER));

    // Seven digits: the record keeps the first six, the MAC the low 24 bits.
    EXPECT_EQ(setSerialAndMac(1234567), 0);
    unsigned char mac[6] = {};
    EXPECT_EQ(getMac(mac), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(mac), 6),
              std::string("\x02\x00\x5e\x12\xd6\x87", 6));
    EXPECT_EQ(getSerial(&serial), 0);
    EXPECT_EQ(serial, 123456u);

    fs::remove(FLASH_RECORD_TEMP_FILE);
    if (!hadMarker) {
        fs::remove(FLASH_NOSTART_MARKER);
    }
    if (!hadVolatile) {
        fs::remove("/var/volatile");
    }
}

TEST_F(Flash, FlashcpAndFlashEraseAgree) {
    if (::access("/usr/sbin/flashcp", X_OK) != 0 || ::access("/usr/sbin/flash_erase", X_OK) != 0) {
        GTEST_SKIP() << "mtd-utils (flashcp, flash_erase) not installed";
    }
    if (!Corvane::Testing::emulator().isEmpty()) {
        GTEST_SKIP() << Corvane::Testing::hostProgramOnEmulatedBoard;
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
    EXPECT_EQ(byFlashcp.substr(0, 300000), pattern(300000, 5));
    EXPECT_EQ(byFlashcp.substr(300000, 5 * block - 300000),
              std::string(5 * block - 300000, '\xff'));
    EXPECT_EQ(byFlashcp.substr(5 * block), before.substr(5 * block));

    // And the whole partition erased by flash_erase reads back like ours.
    ASSERT_EQ(board.run({"/usr/sbin/flash_erase", "/dev/mtd9", "0", "0"}, out), 0) << out;
    const std::string byFlashErase = partition();
    fill(before);
    EXPECT_EQ(flashErase("/dev/mtd9", FLASH_ERASE_ALL), 0);
    EXPECT_TRUE(partition() == byFlashErase);
    EXPECT_EQ(byFlashErase, std::string(partitionSize, '\xff'));
}

}  // namespace
