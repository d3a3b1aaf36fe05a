#pragma once

#include <array>
#include <optional>
#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// The board's health readings: two temperatures (degrees Celsius), two
// supplies (volts), three fans (RPM).
enum class Reading : int { fpgaTemp, cpuTemp, fiveVFive, ddr, fan1, fan2, fan3 };
constexpr int readingCount = 7;

// Command-line name of a reading ("fpga-temp", "5v5", "fan2", ...); the
// reading of a name, or nothing for a name that is none of them.
const char* readingName(Reading reading);
std::optional<Reading> readingNamed(const std::string& name);

// A value per reading; an empty one has no input file. A chip none of whose
// readings is given is not fitted at all.
using SensorValues = std::array<std::optional<double>, readingCount>;
SensorValues defaultSensorValues();

// The hwmon class devices of the board's monitoring chips, laid out as the
// kernel does so that libsensors enumerates them: the adt7473 fan
// controller (i2c-0, 0x2e) and the isppac supply monitor (i2c-0, 0x40) with
// i2c parent devices and the i2c-0 adapter, the FPGA's and the CPU's
// temperature as virtual devices. The known readings' values come from
// SensorValues; each chip has a few more inputs beside them, as real ones do.
class HwmonSensors : public SimulatedDevice {
public:
    explicit HwmonSensors(const SensorValues& values) : values_(values) {}
    void install(Testbed& testbed) override;

    // Device path of a reading's input file (whether or not it is there).
    static std::string inputPath(Reading reading);
    // Writes the value in the kernel's units (millidegrees, millivolts,
    // RPM), or removes the input file for nothing.
    static void set(const Testbed& testbed, Reading reading, std::optional<double> value);

private:
    SensorValues values_;
};

}  // namespace Corvane::Sim
