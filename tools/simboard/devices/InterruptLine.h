#pragma once

#include <memory>
#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// A sysfs GPIO configured for edge interrupts: its value file reads "0" or
// "1", and poll() on it reports POLLPRI|POLLERR from the open until the file
// is first read, and after each edge until it is read again. That needs FUSE (built with libfuse3,
// /dev/fuse, root); without it the value file is a plain file whose poll() never wakes.
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
    // Open value files whose owner waits in poll() for the next edge (those
    // read since their open and since the last edge).
    int pollers() const;

private:
    const Testbed* testbed_ = nullptr;  // set when the value file is a plain file
    class Emulation;
    std::unique_ptr<Emulation> emulation_;
};

}  // namespace Corvane::Sim
