// The FPGA build information from the PCIe driver's proc file.

#include <gtest/gtest.h>
#include <array>
#include <optional>
#include <string>

#include "SimulatedBoard.h"
#include "platform/TqPlatformAbstraction.h"

using namespace Corvane;
using namespace Corvane::Sim;

namespace {

// FPGA build information from the PCIe driver's proc file, opened per
// object: its stream is not rewound, and a new object sees the text of now.
TEST(FpgaBuildInfo, TheFirstTwoLinesOncePerObject) {
    using Info = std::array<unsigned int, 5>;  // design id, major, minor, patch, build
    const Info untouched{111, 111, 111, 111, 111};
    const struct {
        const char* name;
        std::optional<std::string> text;  // nothing: driver not loaded
        std::optional<Info> expected;     // nothing: refused
    } cases[] = {
        {"driver's text", "fpga_version: 1.4.2+311\nfpga_design_id: 7\nlink: x4\n",
         Info{7, 1, 4, 2, 311}},
        {"no final newline", "fpga_version: 0.0.0+0\nfpga_design_id: 4294967295",
         Info{4294967295u, 0, 0, 0, 0}},
        {"version without build", "fpga_version: 1.4.2\nfpga_design_id: 7\n", std::nullopt},
        {"lines swapped", "fpga_design_id: 7\nfpga_version: 1.4.2+311\n", std::nullopt},
        {"design id missing", "fpga_version: 1.4.2+311\n", std::nullopt},
        {"empty", "", std::nullopt},
        {"no driver, outputs left alone", std::nullopt, std::nullopt},
    };
    SimulatedBoard board;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.text ? board.setProcText(*c.text) : board.removeProc();
        TqPlatformAbstraction platform;
        for (const std::optional<Info>& expected : {c.expected, std::optional<Info>()}) {
            Info info = untouched;
            const bool ok = platform.getFPGABuildInfo(info[0], info[1], info[2], info[3], info[4]);
            EXPECT_EQ(ok ? std::optional<Info>(info) : std::nullopt, expected);
            EXPECT_TRUE(c.text || info == untouched);
        }
    }
}

}  // namespace
