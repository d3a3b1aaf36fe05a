// The version inventory on a board whose hardware cannot be read. A separate
// program from the fitted board's: board identities are cached per process.

#include <gtest/gtest.h>

#include "SimulatedBoard.h"
#include "support/LogCapture.h"
#include "version/VersionInfo.h"

using namespace Corvane;

namespace {

TEST(VersionInfo, UnreadableHardwareShowsUnknown) {
    Sim::BoardConfig config;
    config.mainId.reset();
    config.mezzanineId.reset();
    config.frontPanelId.reset();
    config.fpga.reset();
    Sim::SimulatedBoard board(config);
    Testing::LogCapture log;

    const auto entries = VersionInfo().getAllVersions();
    ASSERT_EQ(entries.size(), 11u);
    EXPECT_EQ(entries[0].version, "2.2.0");
    for (std::size_t i = 6; i < 11; ++i) {
        EXPECT_EQ(entries[i].version, "Unknown") << entries[i].name.toStdString();
    }
    EXPECT_TRUE(log.contains("Mezzanine: Unknown\n"));
    EXPECT_EQ(log.lines().size(), 11u);

    // A proc file with garbage is as good as none.
    board.setProcText("fpga_version: banana\n");
    const auto again = VersionInfo().getAllVersions();
    EXPECT_EQ(again[9].version, "Unknown");
    EXPECT_EQ(again[10].version, "Unknown");
}

}  // namespace
