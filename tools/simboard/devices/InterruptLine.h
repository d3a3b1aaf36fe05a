#pragma once

#include <memory>
#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// A sysfs GPIO configured for edge interrupts: its value file reads "0" or
// "1", and poll() on it wakes with POLLPRI|POLLERR after each edge until the
// file is read again. That needs FUSE (built with libfuse3, /dev/fuse, root);
// without it the value file is a plain file whose poll() never wakes.
class InterruptLine : public SimulatedDevice {
public:
    explicit InterruptLine(int gpio);
    ~InterruptLine() override;
    void install(Testbed& testbed) override;

    std::string devicePath() const;
    // An edge on the line (the level toggles).
    void raise();
    int edges() const;
    // Whether poll() on the value file reports edges (FUSE is in use).
    bool polls() const;
    // Open value files whose owner waits in poll() for the next edge (an
    // edge before the open goes unseen, as on sysfs).
    int pollers() const;

private:
    const Testbed* testbed_ = nullptr;  // set when the value file is a plain file
    class Emulation;
    std::unique_ptr<Emulation> emulation_;
};

}  // namespace Corvane::Sim
