#include <gtest/gtest.h>
#include <sys/mman.h>

#include "axi/PcieAxi.h"
#include "corvlib/corvlib.h"

using namespace Corvane;

namespace {

TEST(RegisterWindow, WordIndexOfBaseAndOffset) {
    const struct {
        unsigned int base, offset;
        unsigned long long index;
    } cases[] = {
        {0, 0, 0},
        {0, 0x10000, 0},  // only the low 16 bits of the offset count
        {1, 2, 0x10002},
        {31, 0xFFFF, 0x1FFFFF},  // last register of the window
        {32, 0, 0x200000},       // first one past it
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFFFFFull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PcieAxi::wordIndex(c.base, c.offset), c.index) << c.base << "," << c.offset;
    }
}

// The accessors work on any mapping of the window's size; an anonymous one
// stands in for the device here.
class MappedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        void* p = ::mmap(nullptr, CORV_FPGA_WINDOW_BYTES, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(p, MAP_FAILED);
        window = static_cast<unsigned int*>(p);
    }
    void TearDown() override { ::munmap(window, CORV_FPGA_WINDOW_BYTES); }
    unsigned int* window = nullptr;
};

TEST_F(MappedWindow, ReadsAndWritesWholeWordsInsideOnlyAndRefusesNull) {
    EXPECT_EQ(corv_write_fpga_reg(window, 0x10002, 0xCAFEF00D), 0);
    EXPECT_EQ(window[0x40008 / 4], 0xCAFEF00Du);
    unsigned int value = 0;
    EXPECT_EQ(corv_read_fpga_reg(window, 0x10002, &value), 0);
    EXPECT_EQ(value, 0xCAFEF00Du);

    EXPECT_EQ(corv_write_fpga_reg(window, 0x1FFFFF, 7), 0);
    EXPECT_EQ(window[0x7FFFFC / 4], 7u);

    for (long outside : {-1L, 0x200000L, 0x7FFFFFFFL}) {
        value = 123;
        EXPECT_EQ(corv_read_fpga_reg(window, outside, &value), -34) << outside;
        EXPECT_EQ(value, 123u);
        EXPECT_EQ(corv_write_fpga_reg(window, outside, 1), -34) << outside;
    }
    EXPECT_EQ(corv_read_fpga_reg(nullptr, 0, &value), -22);
    EXPECT_EQ(corv_read_fpga_reg(window, 0, nullptr), -22);
    EXPECT_EQ(corv_write_fpga_reg(nullptr, 0, 1), -22);
    EXPECT_EQ(value, 123u);
}

}  // namespace
