// FPGA build information from the PCIe driver's proc file.

#include <gtest/gtest.h>

#include "SimulatedBoard.h"
#include "platform/TqPlatformAbstraction.h"

using namespace Corvane;
using Sim::SimulatedBoard;

namespace {

struct BuildInfo {
    unsigned int designId = 111, major = 111, minor = 111, patch = 111, build = 111;
    bool operator==(const BuildInfo& o) const {
        return designId == o.designId && major == o.major && minor == o.minor && patch == o.patch &&
               build == o.build;
    }
};

std::optional<BuildInfo> readInfo(TqPlatformAbstraction& platform) {
    BuildInfo info;
    if (!platform.getFPGABuildInfo(info.designId, info.major, info.minor, info.patch, info.build)) {
        return std::nullopt;
    }
    return info;
}

TEST(FpgaBuildInfo, ParsedFromTheFirstTwoLines) {
    struct Case {
        const char* name;
        const char* text;
        std::optional<BuildInfo> expected;
    };
    const Case cases[] = {
        {"driver's text", "fpga_version: 1.4.2+311\nfpga_design_id: 7\nlink: x4\n",
         BuildInfo{7, 1, 4, 2, 311}},
        {"no final newline", "fpga_version: 0.0.0+0\nfpga_design_id: 4294967295",
         BuildInfo{4294967295u, 0, 0, 0, 0}},
        {"version without build", "fpga_version: 1.4.2\nfpga_design_id: 7\n", std::nullopt},
        {"lines swapped", "fpga_design_id: 7\nfpga_version: 1.4.2+311\n", std::nullopt},
        {"design id missing", "fpga_version: 1.4.2+311\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    SimulatedBoard board;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        board.setProcText(c.text);
        TqPlatformAbstraction platform;
        EXPECT_EQ(readInfo(platform), c.expected);
    }
}

TEST(FpgaBuildInfo, EachObjectYieldsItOnce) {
    SimulatedBoard board;
    TqPlatformAbstraction first;
    EXPECT_EQ(readInfo(first), (BuildInfo{7, 1, 4, 2, 311}));
    EXPECT_EQ(readInfo(first), std::nullopt) << "the stream is not rewound";
    // The file is opened per object: a new object sees what the driver
    // says now.
    board.setProcText("fpga_version: 2.0.1+5\nfpga_design_id: 9\n");
    TqPlatformAbstraction second;
    EXPECT_EQ(readInfo(second), (BuildInfo{9, 2, 0, 1, 5}));
}

TEST(FpgaBuildInfo, MissingDriverLeavesTheOutputsAlone) {
    SimulatedBoard board;
    board.removeProc();
    TqPlatformAbstraction platform;
    BuildInfo info;
    EXPECT_FALSE(
        platform.getFPGABuildInfo(info.designId, info.major, info.minor, info.patch, info.build));
    EXPECT_EQ(info, BuildInfo{});
}

}  // namespace
