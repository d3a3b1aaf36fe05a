#include "HwmonSensors.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "Testbed.h"

namespace fs = std::filesystem;

namespace Corvane::Sim {

namespace {

struct File {
    const char* name;
    const char* text;
};

struct Chip {
    const char* name;    // the hwmon name attribute
    const char* hwmon;   // class device
    const char* device;  // i2c device "<bus>-<address>", null for a virtual chip
    std::vector<File> extras;
};

constexpr const char* i2cAdapter = "/sys/devices/platform/soc/21a8000.i2c/i2c-0";

const Chip chips[] = {
    {"imx_thermal_zone", "hwmon0", nullptr, {{"temp1_crit", "95000\n"}}},
    {"adt7473",
     "hwmon1",
     "0-002e",
     {{"fan1_min", "0\n"},
      {"fan2_min", "0\n"},
      {"fan3_min", "0\n"},
      {"temp1_input", "38000\n"},
      {"temp2_input", "41500\n"},
      {"temp3_input", "36500\n"},
      {"in1_input", "1204\n"},
      {"in2_input", "3296\n"}}},
    {"isppac",
     "hwmon2",
     "0-0040",
     {{"in1_input", "3301\n"},
      {"in1_label", "3V3\n"},
      {"in2_input", "2498\n"},
      {"in2_label", "2V5\n"},
      {"in3_input", "1802\n"},
      {"in3_label", "1V8\n"},
      {"in4_input", "1000\n"},
      {"in4_label", "1V0\n"}}},
    {"ultrascale-kintex", "hwmon3", nullptr, {{"temp1_crit", "125000\n"}}},
};

struct ReadingFile {
    const char* cliName;
    int chip;  // index in chips
    const char* input;
    const char* label;      // hwmon label attribute, or null for the default label
    const char* labelText;  // what it says
    double scale;           // kernel units per reading unit
};

// Indexed by Reading.
const ReadingFile readingFiles[readingCount] = {
    {"fpga-temp", 3, "temp1_input", nullptr, nullptr, 1000.0},
    {"cpu-temp", 0, "temp1_input", nullptr, nullptr, 1000.0},
    {"5v5", 2, "in0_input", "in0_label", "5V5\n", 1000.0},
    {"ddr", 2, "in5_input", "in5_label", "DDR3_VDD\n", 1000.0},
    {"fan1", 1, "fan1_input", nullptr, nullptr, 1.0},
    {"fan2", 1, "fan2_input", nullptr, nullptr, 1.0},
    {"fan3", 1, "fan3_input", nullptr, nullptr, 1.0},
};

const ReadingFile& fileOf(Reading reading) {
    return readingFiles[static_cast<int>(reading)];
}

std::string hwmonDir(const Chip& chip) {
    if (chip.device == nullptr) {
        return std::string("/sys/devices/virtual/hwmon/") + chip.hwmon;
    }
    return std::string(i2cAdapter) + "/" + chip.device + "/hwmon/" + chip.hwmon;
}

// A relative link, as sysfs has them, so it resolves inside the testbed.
void link(const Testbed& testbed, const std::string& devicePath, const std::string& target) {
    const fs::path at = testbed.pathOf(devicePath);
    fs::create_directories(at.parent_path());
    fs::remove(at);
    fs::create_directory_symlink(
        fs::path(testbed.pathOf(target)).lexically_relative(at.parent_path()), at);
}

}  // namespace

const char* readingName(Reading reading) {
    return fileOf(reading).cliName;
}

std::optional<Reading> readingNamed(const std::string& name) {
    for (int r = 0; r < readingCount; ++r) {
        if (name == readingFiles[r].cliName) {
            return static_cast<Reading>(r);
        }
    }
    return std::nullopt;
}

SensorValues defaultSensorValues() {
    return {52.0, 47.5, 5.5, 1.5, 4200.0, 4350.0, 4100.0};
}

void HwmonSensors::install(Testbed& testbed) {
    fs::create_directories(testbed.pathOf("/sys/bus/i2c/devices"));
    link(testbed, "/sys/class/i2c-adapter/i2c-0", i2cAdapter);
    testbed.put(std::string(i2cAdapter) + "/name", "21a8000.i2c\n");
    for (int c = 0; c < static_cast<int>(std::size(chips)); ++c) {
        const Chip& chip = chips[c];
        bool fitted = false;
        for (int r = 0; r < readingCount; ++r) {
            fitted = fitted || (readingFiles[r].chip == c && values_[static_cast<size_t>(r)]);
        }
        if (!fitted) {
            continue;
        }
        const std::string dir = hwmonDir(chip);
        testbed.put(dir + "/name", std::string(chip.name) + "\n");
        for (const File& f : chip.extras) {
            testbed.put(dir + "/" + f.name, f.text);
        }
        link(testbed, std::string("/sys/class/hwmon/") + chip.hwmon, dir);
        if (chip.device != nullptr) {
            const std::string device = std::string(i2cAdapter) + "/" + chip.device;
            testbed.put(device + "/name", std::string(chip.name) + "\n");
            link(testbed, dir + "/device", device);
            link(testbed, device + "/subsystem", "/sys/bus/i2c");
            link(testbed, std::string("/sys/bus/i2c/devices/") + chip.device, device);
        }
    }
    for (int r = 0; r < readingCount; ++r) {
        const auto value = values_[static_cast<size_t>(r)];
        if (value) {
            set(testbed, static_cast<Reading>(r), value);
        }
    }
}

std::string HwmonSensors::inputPath(Reading reading) {
    const ReadingFile& f = fileOf(reading);
    return std::string("/sys/class/hwmon/") + chips[f.chip].hwmon + "/" + f.input;
}

void HwmonSensors::set(const Testbed& testbed, Reading reading, std::optional<double> value) {
    const ReadingFile& f = fileOf(reading);
    const std::string dir = std::string("/sys/class/hwmon/") + chips[f.chip].hwmon + "/";
    if (!fs::exists(testbed.pathOf(dir + "name"))) {
        throw std::invalid_argument(std::string(f.cliName) + ": its chip is not fitted");
    }
    if (!value) {
        testbed.remove(dir + f.input);
        if (f.label != nullptr) {
            testbed.remove(dir + f.label);
        }
        return;
    }
    testbed.put(dir + f.input, std::to_string(std::llround(*value * f.scale)) + "\n");
    if (f.label != nullptr) {
        testbed.put(dir + f.label, f.labelText);
    }
}

}  // namespace Corvane::Sim
