// The version inventory on a fully fitted simulated board.

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "SimulatedBoard.h"
#include "support/LogCapture.h"
#include "version/VersionInfo.h"

using namespace Corvane;

namespace {

TEST(VersionInfo, ElevenEntriesInOrderAndLogged) {
    Sim::BoardConfig config;
    config.mainId = 65;
    config.mezzanineId = 5;
    config.frontPanelId = 0;
    config.fpga = Sim::BoardConfig::FpgaInfo{1, 4, 2, 311, 7};
    Sim::SimulatedBoard board(config);
    Testing::LogCapture log;

    const VersionInfo inventory;
    const auto entries = inventory.getAllVersions();
    ASSERT_EQ(entries.size(), 11u);
    const std::pair<const char*, const char*> expected[] = {
        {"Software", "2.2.0"},
        {"SHA1", nullptr},
        {"Branch", nullptr},
        {"Build ID", "590"},
        {"Toolchain", "2.1.4-Qt5.6"},
        {"Image", "1.0.42a11"},
        {"Main", "65"},
        {"Mezzanine", "5"},
        {"Frontpanel", "0"},
        {"FPGA ID", "7"},
        {"FPGA", "1.4.2+311"},
    };
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(entries[i].name, expected[i].first);
        if (expected[i].second != nullptr) {
            EXPECT_EQ(entries[i].version, expected[i].second) << expected[i].first;
        }
        lines.push_back((entries[i].name + ": " + entries[i].version).toStdString());
    }
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{40}$").match(entries[1].version).hasMatch())
        << entries[1].version.toStdString();
    EXPECT_TRUE(QRegularExpression("^[^/]+/[^/]+").match(entries[2].version).hasMatch())
        << entries[2].version.toStdString();
    EXPECT_EQ(log.lines(), lines);
}

TEST(VersionInfo, EveryInventoryReadsTheFpgaAgain) {
    Sim::SimulatedBoard board;
    const VersionInfo first;
    board.setProcText("fpga_version: 3.1.0+77\nfpga_design_id: 12\n");
    const VersionInfo second;
    EXPECT_EQ(first.getAllVersions()[10].version, "1.4.2+311");
    EXPECT_EQ(second.getAllVersions()[10].version, "3.1.0+77");
    EXPECT_EQ(second.getAllVersions()[9].version, "12");
}

}  // namespace
