#pragma once

#include <memory>
#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// A sysfs GPIO configured for edge interrupts: its value file reads "0" or
// "1", and poll() on it wakes with POLLPRI|POLLERR after each edge until the
// file is read again.
class InterruptLine : public SimulatedDevice {
public:
    explicit InterruptLine(int gpio);
    ~InterruptLine() override;
    void install(Testbed& testbed) override;

    std::string devicePath() const;
    // An edge on the line (the level toggles).
    void raise();
    int edges() const;

private:
    class Emulation;
    std::unique_ptr<Emulation> emulation_;
};

}  // namespace Corvane::Sim
