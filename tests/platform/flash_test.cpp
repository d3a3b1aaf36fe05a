// The NOR flash emulation as mtdchar answers, and the flash service's erase
// and copy on it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <mtd/mtd-user.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/flash.h"
#include "support/BoardTestSupport.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace Corvane::Testing;

namespace {

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

}  // namespace
