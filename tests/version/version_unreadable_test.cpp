// The version inventory on a board whose hardware cannot be read. A separate
// program from the fitted board's: board identities are cached per process.

#include <gtest/gtest.h>

#include "SimulatedBoard.h"
#include "version/VersionInfo.h"

using namespace Corvane;

namespace {

TEST(VersionInfo, UnreadableHardwareShowsUnknown) {
    Sim::BoardConfig config;
    config.mainId = config.mezzanineId = config.frontPanelId = std::nullopt;
    config.fpga.reset();
    Sim::SimulatedBoard board(config);

    const auto entries = VersionInfo().getAllVersions();
    ASSERT_EQ(entries.size(), 11u);
    EXPECT_EQ(entries[0].version, "2.2.0");
    for (std::size_t i = 6; i < 11; ++i) {
        EXPECT_EQ(entries[i].version, "Unknown") << entries[i].name.toStdString();
    }
}

}  // namespace
