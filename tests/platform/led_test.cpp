// The front LED: a colour on the three PWM channels.

#include <gtest/gtest.h>
#include <array>

#include "SimulatedBoard.h"
#include "platform/TqPlatformAbstraction.h"

using namespace Corvane;
using namespace Corvane::Sim;

namespace {

TEST(Led, ColourBytesDriveTheThreeChannelsMissingChipsFail) {
    const struct {
        unsigned int colour;
        bool on;
        std::array<const char*, 3> duty;  // red, green, blue in ns; none: no PWM chips
    } cases[] = {
        {0x00FF00, true, {"0", "255000", "0"}},       {0x123456, true, {"86000", "52000", "18000"}},
        {0xFF000001, true, {"1000", "0", "0"}},  // the top byte is ignored
        {TqTypes::LED_WHITE, false, {"0", "0", "0"}}, {TqTypes::LED_RED, true, {}},
    };
    const int chipOf[3] = {2, 0, 1};  // red, green, blue
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colour);
        BoardConfig config;
        config.led = c.duty[0] != nullptr;
        SimulatedBoard board(config);
        EXPECT_EQ(TqPlatformAbstraction().setLED(static_cast<TqTypes::ledRGB>(c.colour), c.on),
                  config.led ? 0 : 1);
        for (int i = 0; config.led && i < 3; ++i) {
            const auto attribute = [&](const char* name) {
                return SimulatedBoard::readFile(board.pwmPath(chipOf[i], name));
            };
            EXPECT_EQ(attribute("pwm0/duty_cycle"), c.duty[i]);
            EXPECT_EQ(attribute("pwm0/period"), c.on ? "255000" : "0");
            EXPECT_EQ(attribute("pwm0/enable"), c.on ? "1" : "0");
            EXPECT_EQ(attribute("export"), "0");
        }
    }
}

}  // namespace
