#pragma once

#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// The LED's three PWM chips: chip 0 green, 1 blue, 2 red, each with its
// export file and pwm0's period, duty_cycle and enable attributes.
class LedPwm : public SimulatedDevice {
public:
    void install(Testbed& testbed) override;

    static std::string path(const Testbed& testbed, int chip, const std::string& attribute);
    // Empties the attribute files. Plain files keep the tail of a longer
    // earlier value when a shorter one is written over it, which sysfs
    // attributes do not, so callers clear them between updates.
    static void clear(const Testbed& testbed);
};

}  // namespace Corvane::Sim
