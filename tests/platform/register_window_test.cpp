// The FPGA register window device, mapped through corvlib.

#include <gtest/gtest.h>
#include <string>

#include "SimulatedBoard.h"
#include "corvlib/corvlib.h"

using namespace Corvane;
using namespace Corvane::Sim;

namespace {

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

}  // namespace
