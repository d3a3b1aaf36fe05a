#pragma once

namespace Corvane::TqTypes {

enum boardIdentity : int {
    MAIN = 0,
    MEZZANINE = 1,
    FRONTPANEL = 2,
};

// An LED colour: red in bits 0-7, green 8-15, blue 16-23; bits 24-31 ignored.
// The named colours are the ones the instrument's front panel uses.
enum ledRGB : unsigned int {
    LED_OFF = 0x000000,
    LED_RED = 0x0000FF,
    LED_GREEN = 0x00FF00,
    LED_BLUE = 0xFF0000,
    LED_YELLOW = 0x00FFFF,
    LED_AMBER = 0x0040FF,
    LED_WHITE = 0xFFFFFF,
};

enum sensorComponent : int {
    FPGATEMP = 0,
    CPUTEMP = 1,
    FIVEVFIVE = 2,
    DDRV = 3,
    FANA = 4,
    FANB = 5,
    FANC = 6,
};

}  // namespace Corvane::TqTypes
