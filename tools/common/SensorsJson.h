#pragma once

// The health sensors in the JSON form of corvane-sensors --json, which
// corvane-webd serves too.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <vector>

#include "platform/healthsensors.h"

namespace Corvane::Tools {

inline QJsonObject sensorJson(const sensorData& s) {
    return {{"name", QString::fromStdString(s.name)},
            {"value", s.value},
            {"low", s.lowLimit},
            {"high", s.highLimit},
            {"alarms", s.alarmCount}};
}

inline QJsonArray sensorsJson(const std::vector<sensorData>& sensors) {
    QJsonArray rows;
    for (const sensorData& s : sensors) {
        rows.append(sensorJson(s));
    }
    return rows;
}

}  // namespace Corvane::Tools
