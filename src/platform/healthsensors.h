#pragma once

// The controller's hardware monitoring sensors, read through libsensors:
// a cache of every readable value and seven well-known sensors with fixed
// alarm limits and a count of consecutive out-of-limit readings.

#include <memory>
#include <string>
#include <vector>

#include "platform/TqTypes.h"

namespace Corvane {

// One cached sensor as callers see it.
struct sensorData {
    std::string name;
    double value = 0.0;
    double lowLimit = 0.0;
    double highLimit = 0.0;
    int alarmCount = 0;
};

// A cache entry with where its value came from, for tools that list every
// reading. chip is the libsensors chip name ("adt7473-i2c-0-2e"); chip,
// label and subfeature are empty for a known sensor the hardware lacks.
struct cachedReading {
    std::string key;
    std::string chip;
    std::string label;
    std::string subfeature;
    sensorData data;
};

class healthSensorsPimpl;

// libsensors keeps one process-wide state: the first object initialises it
// with the default configuration and the last one releases it, so objects
// may overlap. One object is used from one thread at a time.
class healthSensors {
public:
    // Throws std::runtime_error "Could not open sensors configuration file"
    // when libsensors cannot be initialised.
    healthSensors();
    ~healthSensors();
    healthSensors(const healthSensors&) = delete;
    healthSensors& operator=(const healthSensors&) = delete;

    // Re-reads the seven known sensors and updates their alarm counts. A
    // known sensor the hardware lacks is not re-read, but its starting value
    // still counts against its limits. A re-read that fails keeps the
    // previous value and alarm count: a failed read is no reading, so it
    // neither raises nor clears an alarm.
    void updateSensorsCache();

    // Throws std::out_of_range "getCachedSensor: No such component" for a
    // component outside 0 to 6.
    sensorData getCachedSensor(TqTypes::sensorComponent component) const;
    // The seven known sensors in enumeration order.
    std::vector<sensorData> getAllCachedSensors() const;
    // Every cache entry in key order.
    std::vector<cachedReading> getEveryCachedReading() const;

private:
    std::unique_ptr<healthSensorsPimpl> d_;
};

}  // namespace Corvane
