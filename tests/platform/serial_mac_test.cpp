// The serial number and MAC address read from the flash record.

#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "SimulatedBoard.h"
#include "platform/TqPlatformAbstraction.h"
#include "platform/serialmac.h"

using namespace Corvane;
using namespace Corvane::Sim;

namespace {

TEST(SerialAndMac, ReadFromTheFlashRecord) {
    const std::string mac("\x02\x00\x5e\xc0\xff\xee", 6);
    const std::string good = "mac: " + mac + "\nserial: 004711";
    const struct {
        const char* name;
        std::optional<std::string> flash;  // nothing: no partition
        int macResult;
        int serialResult;
        unsigned int serial;
    } cases[] = {
        {"good record", good, 0, 0, 4711},
        {"bad mac marker", "MAC: " + mac + "\nserial: 004711", -1, 0, 4711},
        {"bad serial marker", "mac: " + mac + "\nSerial: 004711", 0, -1, 0},
        {"serial not digits", "mac: " + mac + "\nserial: 12a456", 0, -1, 0},
        {"erased flash", std::string(64, '\xff'), -1, -1, 0},
        {"record cut short", good.substr(0, 22), 0, -1, 0},
        {"no partition", std::nullopt, -1, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoardConfig config;
        config.serialMac.reset();
        SimulatedBoard board(config);
        if (c.flash) {
            // Written as is, not padded: a short record must stay short.
            SimulatedBoard::writeFile(board.pathOf("/dev/mtd8"), *c.flash);
        }
        unsigned char macOut[6] = {};
        EXPECT_EQ(getMac(macOut), c.macResult);
        if (c.macResult == 0) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(macOut), 6), mac);
        }
        unsigned int serial = 99;
        EXPECT_EQ(getSerial(&serial), c.serialResult);
        if (c.flash) {
            EXPECT_EQ(serial, c.serial);
        }
        TqPlatformAbstraction platform;
        EXPECT_EQ(platform.getSerialNumber(), c.serialResult == 0 ? c.serial : 0xFFFFFFFFu);
    }
    EXPECT_EQ(getMac(nullptr), -22);
    EXPECT_EQ(getSerial(nullptr), -22);
}

}  // namespace
