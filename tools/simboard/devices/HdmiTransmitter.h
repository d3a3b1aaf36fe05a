#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// One register write the transmitter received.
struct RegisterWrite {
    std::uint8_t reg;
    std::uint8_t value;
    bool operator==(const RegisterWrite& o) const { return reg == o.reg && value == o.value; }
};

// /dev/i2c-3 with an ADV7511-like HDMI transmitter at 0x39, answering as the
// kernel's i2c-dev does: I2C_FUNCS, I2C_SLAVE(_FORCE), and I2C_RDWR with
// the number of messages, EINVAL for 0 or more than 42 messages and ENXIO
// for any other address (the transfer stops there). A write message sets
// the register pointer and writes on from it; a read reads on from it.
// 0x42 holds hot-plug (bit 6) and monitor sense (bit 5); 0x96 the interrupt
// flags (hot-plug bit 7, monitor sense bit 6), cleared where ones are
// written. Events set the status, flag the interrupts and raise the
// interrupt line.
class HdmiTransmitter : public SimulatedDevice {
public:
    static constexpr const char* devicePath = "/dev/i2c-3";
    static constexpr std::uint8_t address = 0x39;

    HdmiTransmitter();
    ~HdmiTransmitter() override;
    void install(Testbed& testbed) override;

    // Sets the two status bits, ORs interruptFlags into 0x96 and raises the
    // interrupt line when any flag is set.
    void event(bool hotPlug, bool monitorSense, std::uint8_t interruptFlags);
    // A person's event: "plug" (a display with its monitor sense, both
    // flagged), "unplug", "sense" or "nosense" (monitor sense alone). False
    // for any other word.
    bool command(const std::string& word);

    // Called on every event that flags an interrupt.
    void onInterrupt(std::function<void()> raise);

    std::uint8_t reg(std::uint8_t r) const;
    // Every register write in order since the start (or the last clear).
    std::vector<RegisterWrite> writes() const;
    void clearWrites();
    // Descriptors opened on the bus so far.
    int opens() const;

private:
    class Emulation;
    std::unique_ptr<Emulation> emulation_;
};

}  // namespace Corvane::Sim
