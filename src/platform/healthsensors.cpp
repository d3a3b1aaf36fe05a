#include "platform/healthsensors.h"

#include <sensors/sensors.h>

#include <array>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "app/Logging.h"

namespace Corvane {

namespace {

// libsensors' state is process-wide; objects share it.
std::mutex libraryMutex;
int libraryUsers = 0;

void acquireLibrary() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (libraryUsers == 0 && sensors_init(nullptr) != 0) {
        throw std::runtime_error("Could not open sensors configuration file");
    }
    ++libraryUsers;
}

void releaseLibrary() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (--libraryUsers == 0) {
        sensors_cleanup();
    }
}

std::string chipNameText(const sensors_chip_name* chip) {
    char text[256];
    if (sensors_snprintf_chip_name(text, sizeof text, chip) < 0) {
        return chip->prefix;
    }
    return text;
}

}  // namespace

class healthSensorsPimpl {
public:
    using namePair = std::pair<const char*, const char*>;  // display name, cache key
    static const namePair FPGATEMPKEY;
    static const namePair CPUTEMPKEY;
    static const namePair FIVEVFIVEKEY;
    static const namePair DDRVKEY;
    static const namePair FANAKEY;
    static const namePair FANBKEY;
    static const namePair FANCKEY;

    struct sensor {
        std::string name = "Unknown";
        double value = 1.0;
        double lowLimit = std::numeric_limits<double>::min();
        double highLimit = std::numeric_limits<double>::max();
        int alarmCount = 0;
        // Null for a known sensor the hardware does not provide.
        const sensors_chip_name* chip = nullptr;
        const sensors_subfeature* subfeature = nullptr;
        std::string chipName;
        std::string label;
    };

    struct known {
        const namePair* pair;
        double lowLimit;
        double highLimit;
    };
    // Indexed by TqTypes::sensorComponent.
    static const std::array<known, 7> knownSensors;

    void populateSensorsCache();
    static void updateAlarm(sensor& entry);
    const sensor& knownEntry(int component) const;

    std::map<std::string, sensor> cache;
    bool populated = false;
};

const healthSensorsPimpl::namePair healthSensorsPimpl::FPGATEMPKEY{
    "FPGA Temp", "ultrascale-kintextemp1_inputtemp1"};
const healthSensorsPimpl::namePair healthSensorsPimpl::CPUTEMPKEY{
    "CPU Temp", "imx_thermal_zonetemp1_inputtemp1"};
const healthSensorsPimpl::namePair healthSensorsPimpl::FIVEVFIVEKEY{"5.5v", "isppacin0_input5V5"};
const healthSensorsPimpl::namePair healthSensorsPimpl::DDRVKEY{"vDDR", "isppacin5_inputDDR3_VDD"};
const healthSensorsPimpl::namePair healthSensorsPimpl::FANAKEY{"Fan 1 RPM",
                                                               "adt7473fan1_inputfan1"};
const healthSensorsPimpl::namePair healthSensorsPimpl::FANBKEY{"Fan 2 RPM",
                                                               "adt7473fan2_inputfan2"};
const healthSensorsPimpl::namePair healthSensorsPimpl::FANCKEY{"Fan 3 RPM",
                                                               "adt7473fan3_inputfan3"};

const std::array<healthSensorsPimpl::known, 7> healthSensorsPimpl::knownSensors{{
    {&FPGATEMPKEY, -1.0, 85.0},
    {&CPUTEMPKEY, -1.0, 85.0},
    {&FIVEVFIVEKEY, 5.3, 5.7},
    {&DDRVKEY, 1.3, 1.7},
    {&FANAKEY, 2000.0, 800000.0},
    {&FANBKEY, 2000.0, 800000.0},
    {&FANCKEY, 2000.0, 800000.0},
}};

void healthSensorsPimpl::populateSensorsCache() {
    if (populated) {
        return;
    }
    int chipNr = 0;
    while (const sensors_chip_name* chip = sensors_get_detected_chips(nullptr, &chipNr)) {
        const std::string chipName = chipNameText(chip);
        int featureNr = 0;
        while (const sensors_feature* feature = sensors_get_features(chip, &featureNr)) {
            char* labelText = sensors_get_label(chip, feature);
            const std::string label = labelText ? labelText : "";
            std::free(labelText);
            int subNr = 0;
            while (const sensors_subfeature* sub =
                       sensors_get_all_subfeatures(chip, feature, &subNr)) {
                if (!(sub->flags & SENSORS_MODE_R)) {
                    continue;
                }
                double value = 0.0;
                const int result = sensors_get_value(chip, sub->number, &value);
                if (result < 0) {
                    logf(LogLevel::error, "Failed populating sensors:  {}", result);
                    continue;
                }
                sensor& entry = cache[chip->prefix + std::string(sub->name) + label];
                entry = sensor{};
                entry.value = value;
                entry.chip = chip;
                entry.subfeature = sub;
                entry.chipName = chipName;
                entry.label = label;
            }
        }
    }
    for (const known& k : knownSensors) {
        sensor& entry = cache[k.pair->second];
        entry.name = k.pair->first;
        entry.lowLimit = k.lowLimit;
        entry.highLimit = k.highLimit;
    }
    populated = true;
}

void healthSensorsPimpl::updateAlarm(sensor& entry) {
    if (entry.value <= entry.lowLimit || entry.value >= entry.highLimit) {
        ++entry.alarmCount;
    } else {
        entry.alarmCount = 0;
    }
}

const healthSensorsPimpl::sensor& healthSensorsPimpl::knownEntry(int component) const {
    if (component < 0 || component >= static_cast<int>(knownSensors.size())) {
        throw std::out_of_range("getCachedSensor: No such component");
    }
    return cache.at(knownSensors[static_cast<std::size_t>(component)].pair->second);
}

namespace {

sensorData dataOf(const healthSensorsPimpl::sensor& entry) {
    return {entry.name, entry.value, entry.lowLimit, entry.highLimit, entry.alarmCount};
}

}  // namespace

healthSensors::healthSensors() {
    acquireLibrary();
    try {
        d_ = std::make_unique<healthSensorsPimpl>();
        d_->populateSensorsCache();
    } catch (...) {
        releaseLibrary();
        throw;
    }
}

healthSensors::~healthSensors() {
    d_.reset();
    releaseLibrary();
}

void healthSensors::updateSensorsCache() {
    d_->populateSensorsCache();
    for (const auto& k : healthSensorsPimpl::knownSensors) {
        healthSensorsPimpl::sensor& entry = d_->cache.at(k.pair->second);
        // A sensor the hardware lacks has no handles to re-read, but its
        // starting value still goes through the limits: a missing supply or
        // fan is an alarm. A failed re-read is no reading at all.
        if (entry.chip != nullptr) {
            double value = 0.0;
            if (sensors_get_value(entry.chip, entry.subfeature->number, &value) < 0) {
                continue;
            }
            entry.value = value;
        }
        healthSensorsPimpl::updateAlarm(entry);
    }
}

sensorData healthSensors::getCachedSensor(TqTypes::sensorComponent component) const {
    return dataOf(d_->knownEntry(component));
}

std::vector<sensorData> healthSensors::getAllCachedSensors() const {
    std::vector<sensorData> all;
    for (int c = 0; c < static_cast<int>(healthSensorsPimpl::knownSensors.size()); ++c) {
        all.push_back(dataOf(d_->knownEntry(c)));
    }
    return all;
}

std::vector<cachedReading> healthSensors::getEveryCachedReading() const {
    std::vector<cachedReading> all;
    for (const auto& [key, entry] : d_->cache) {
        all.push_back({key, entry.chipName, entry.label,
                       entry.subfeature ? entry.subfeature->name : "", dataOf(entry)});
    }
    return all;
}

}  // namespace Corvane
