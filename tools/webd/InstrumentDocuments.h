#pragma once

// The documents webd builds from what the library reads: the SDI inputs
// from the mirrored status tree, the metrics exposition.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

#include "platform/healthsensors.h"
#include "version/VersionInfo.h"

namespace Corvane::Webd {

class DatacoreMirror;

// statusCoreRouter/input: each direct child is one input.
inline const QString inputTreePath = QStringLiteral("statusCoreRouter/input");

// The names of the inputs, in the mirror's order.
QStringList inputNames(const DatacoreMirror& mirror);
// The "InputStatusData" document of input `name`: one lane per payload
// identifier word of its payloadIdentifier, none without a valid one.
QJsonObject inputStatus(const DatacoreMirror& mirror, const QString& name);

struct MetricsInput {
    const DatacoreMirror& mirror;
    const std::vector<sensorData>& sensors;
    const std::vector<VersionedEntity>& versions;
    const std::map<int, quint64>& requestsByCode;
};

// The Prometheus text exposition (format 0.0.4).
std::string metricsText(const MetricsInput& input);

}  // namespace Corvane::Webd
