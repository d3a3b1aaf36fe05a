// The version inventory on a fully fitted simulated board.

#include <gtest/gtest.h>

#include <regex>

#include "SimulatedBoard.h"
#include "support/LogCapture.h"
#include "version/VersionInfo.h"

using namespace Corvane;

namespace {

TEST(VersionInfo, ElevenEntriesInOrderAndLoggedTheFpgaReadAgainEachTime) {
    Sim::BoardConfig config;
    config.frontPanelId = 0;  // an identity, not a missing board
    Sim::SimulatedBoard board(config);
    Testing::LogCapture log;

    const VersionInfo first;
    const auto entries = first.getAllVersions();
    ASSERT_EQ(entries.size(), 11u);
    std::vector<std::string> lines;
    for (const VersionedEntity& entry : entries) {
        lines.push_back((entry.name + ": " + entry.version).toStdString());
    }
    EXPECT_EQ(log.lines(), lines);
    // The commit and branch come from the checkout: only their form is fixed.
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("SHA1: [0-9a-f]{40}"))) << lines[1];
    EXPECT_TRUE(std::regex_search(lines[2], std::regex("^Branch: [^/]+/[^/]+"))) << lines[2];
    lines.erase(lines.begin() + 1, lines.begin() + 3);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Software: 2.2.0", "Build ID: 590", "Toolchain: 2.1.4-Qt5.6", "Image: 1.0.42a11",
                  "Main: 65", "Mezzanine: 5", "Frontpanel: 0", "FPGA ID: 7", "FPGA: 1.4.2+311"}));

    board.setProcText("fpga_version: 3.1.0+77\nfpga_design_id: 12\n");
    const auto again = VersionInfo().getAllVersions();
    EXPECT_EQ(again[9].version, "12");
    EXPECT_EQ(again[10].version, "3.1.0+77");
    EXPECT_EQ(first.getAllVersions()[10].version, "1.4.2+311") << "read once per inventory";
}

}  // namespace
