#pragma once

namespace Corvane::Sim {

class Testbed;

// One emulated piece of the board's hardware. install() puts the device into
// the testbed: a tree of plain files (sysfs attributes, proc files, a flash
// image) written under Testbed::pathOf(), and for a node whose ioctls or
// writes need a driver's answers, an IoctlHandler attached with
// Testbed::attach(). The testbed owns its devices from then on.
class SimulatedDevice {
public:
    virtual ~SimulatedDevice() = default;
    virtual void install(Testbed& testbed) = 0;
};

}  // namespace Corvane::Sim
