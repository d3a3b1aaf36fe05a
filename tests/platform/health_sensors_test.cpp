// The health sensors through libsensors on the emulated hwmon chips.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/healthsensors.h"
#include "support/BoardTestSupport.h"
#include "support/LogCapture.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace Corvane::Testing;

namespace {

TEST_F(HealthSensors, AlarmsCountConsecutiveReadingsAtOrBeyondTheLimits) {
    const struct {
        Reading reading;
        TqTypes::sensorComponent component;
        std::vector<double> values;
        std::vector<int> alarms;  // after each update
    } cases[] = {
        {Reading::fpgaTemp,
         TqTypes::FPGATEMP,
         {84.9, 85.0, 85.0, 84.9, -1.0, -0.9},
         {0, 1, 2, 0, 1, 0}},
        {Reading::cpuTemp, TqTypes::CPUTEMP, {90.0, 20.0}, {1, 0}},
        {Reading::fiveVFive, TqTypes::FIVEVFIVE, {5.3, 5.301, 5.7, 5.699}, {1, 0, 1, 0}},
        {Reading::ddr, TqTypes::DDRV, {1.7, 1.3, 1.5}, {1, 2, 0}},
        {Reading::fan2, TqTypes::FANB, {1500, 1500, 1500, 2000, 2001}, {1, 2, 3, 4, 0}},
    };
    SimulatedBoard board;
    healthSensors sensors;
    for (const auto& c : cases) {
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            SCOPED_TRACE(testing::Message() << Sim::readingName(c.reading) << " = " << c.values[i]);
            board.setSensor(c.reading, c.values[i]);
            sensors.updateSensorsCache();
            const sensorData s = sensors.getCachedSensor(c.component);
            EXPECT_DOUBLE_EQ(s.value, c.values[i]);
            EXPECT_EQ(s.alarmCount, c.alarms[i]);
        }
    }
    // The other sensors were re-read all along at their in-range defaults.
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANA).alarmCount, 0);

    // A failed re-read is no reading: value and count stay as they were.
    board.setSensor(Reading::fan1, 1000);
    sensors.updateSensorsCache();
    SimulatedBoard::writeFile(board.sensorPath(Reading::fan1), "garbage\n");
    sensors.updateSensorsCache();
    EXPECT_DOUBLE_EQ(sensors.getCachedSensor(TqTypes::FANA).value, 1000);
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANA).alarmCount, 1);
}

TEST_F(HealthSensors, KnownSensorsInOrderAndEveryReadingByKey) {
    SimulatedBoard board;
    healthSensors sensors;
    std::vector<std::string> names;
    for (const sensorData& s : sensors.getAllCachedSensors()) {
        names.push_back(s.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"FPGA Temp", "CPU Temp", "5.5v", "vDDR", "Fan 1 RPM",
                                               "Fan 2 RPM", "Fan 3 RPM"}));
    const sensorData ddr = sensors.getCachedSensor(TqTypes::DDRV);
    EXPECT_EQ(ddr.value, 1.5);
    EXPECT_EQ(ddr.lowLimit, 1.3);
    EXPECT_EQ(ddr.highLimit, 1.7);

    for (int bad : {7, -1}) {
        EXPECT_THAT([&] { sensors.getCachedSensor(static_cast<TqTypes::sensorComponent>(bad)); },
                    testing::ThrowsMessage<std::out_of_range>(
                        testing::StrEq("getCachedSensor: No such component")))
            << bad;
    }

    const auto all = sensors.getEveryCachedReading();
    std::vector<std::string> keys;
    std::map<std::string, cachedReading> byKey;
    for (const cachedReading& r : all) {
        keys.push_back(r.key);
        byKey[r.key] = r;
    }
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    ASSERT_TRUE(byKey.count("adt7473in2_input+3.3V")) << "label from the configuration file";
    const cachedReading& extra = byKey["adt7473in2_input+3.3V"];
    EXPECT_EQ(extra.data.name, "Unknown");
    EXPECT_EQ(extra.data.lowLimit, 2.2250738585072014e-308);
    EXPECT_EQ(extra.data.highLimit, std::numeric_limits<double>::max());
    EXPECT_EQ(byKey["isppacin5_inputDDR3_VDD"].chip, "isppac-i2c-0-40");
    EXPECT_EQ(byKey["ultrascale-kintextemp1_inputtemp1"].chip, "ultrascale-kintex-virtual-0");
}

TEST_F(HealthSensors, MissingChipsAndUnreadableInputsKeepTheStartingValueAgainstTheLimits) {
    BoardConfig config;
    for (Reading r :
         {Reading::fan1, Reading::fan2, Reading::fan3, Reading::fiveVFive, Reading::ddr}) {
        config.sensors[static_cast<std::size_t>(r)].reset();  // no fan controller, no supplies
    }
    SimulatedBoard board(config);
    SimulatedBoard::writeFile(board.sensorPath(Reading::cpuTemp), "not a number\n");
    Testing::LogCapture log;
    healthSensors sensors;
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("Failed populating sensors:  -", 0), 0u) << log.lines()[0];

    board.setSensor(Reading::cpuTemp, 99.0);  // readable now, but never cached
    // Value 1 lies inside the temperatures' limits and below the others'.
    const std::pair<TqTypes::sensorComponent, int> alarmsAfterTwo[] = {
        {TqTypes::CPUTEMP, 0}, {TqTypes::FIVEVFIVE, 2}, {TqTypes::DDRV, 2},
        {TqTypes::FANA, 2},    {TqTypes::FANB, 2},      {TqTypes::FANC, 2},
    };
    for (const auto& entry : alarmsAfterTwo) {
        EXPECT_EQ(sensors.getCachedSensor(entry.first).alarmCount, 0) << "before any update";
    }
    sensors.updateSensorsCache();
    sensors.updateSensorsCache();
    for (const auto& [c, alarms] : alarmsAfterTwo) {
        const sensorData s = sensors.getCachedSensor(c);
        EXPECT_EQ(s.value, 1.0) << s.name;
        EXPECT_EQ(s.alarmCount, alarms) << s.name;
    }
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANB).name, "Fan 2 RPM");
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FANB).lowLimit, 2000.0);
    EXPECT_EQ(sensors.getCachedSensor(TqTypes::FPGATEMP).alarmCount, 0) << "fitted, in range";
    for (const cachedReading& r : sensors.getEveryCachedReading()) {
        EXPECT_EQ(r.chip.rfind("adt7473", 0), std::string::npos) << r.key;
        EXPECT_EQ(r.chip.rfind("isppac", 0), std::string::npos) << r.key;
    }
}

}  // namespace
