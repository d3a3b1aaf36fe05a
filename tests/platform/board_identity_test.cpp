// The board identities read from their GPIO lines, cached for the process:
// the one test of this program, so that nothing read them before it.

#include <gtest/gtest.h>
#include <filesystem>
#include <optional>

#include "SimulatedBoard.h"
#include "platform/TqPlatformAbstraction.h"
#include "platform/boardid.h"
#include "version/VersionInfo.h"

using namespace Corvane;
using namespace Corvane::Sim;
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

}  // namespace
