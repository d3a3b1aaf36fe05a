#pragma once

#include <chrono>
#include <memory>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// What the emulated watchdog has seen. The driver semantics copied: one
// open at a time, the open arms it, a 'V' in the last write before the close
// disarms it; a close without it leaves it running.
struct WatchdogState {
    bool armed = false;
    bool open = false;
    int timeoutSeconds = 60;
    int opens = 0;
    int keepalives = 0;        // WDIOC_KEEPALIVE requests and pinging writes
    int magicCloses = 0;       // closes that disarmed it
    int unexpectedCloses = 0;  // closes that left it armed
    int busyRefusals = 0;      // requests refused on a second descriptor
};

// /dev/watchdog with an ioctl handler that follows the watchdog driver.
class Watchdog : public SimulatedDevice {
public:
    static constexpr const char* devicePath = "/dev/watchdog";

    Watchdog();
    ~Watchdog() override;
    void install(Testbed& testbed) override;

    WatchdogState state() const;
    // Waits until the descriptor is closed (the close reaches the handler
    // asynchronously); false on timeout.
    bool waitUntilClosed(std::chrono::milliseconds timeout) const;

private:
    class Emulation;
    std::unique_ptr<Emulation> emulation_;
};

}  // namespace Corvane::Sim
