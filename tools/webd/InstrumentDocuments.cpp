#include "InstrumentDocuments.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <sstream>
#include <stdexcept>

#include "DatacoreMirror.h"
#include "client/ClientDatacore.h"
#include "platform/TqTypes.h"
#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/StandardFromPayloadIdentifier.h"
#include "status/InputStatusJsonData.h"

namespace Corvane::Webd {
namespace {

QString childPath(const QString& input, const char* leaf) {
    return QStringLiteral("%1/%2/%3").arg(inputTreePath, input, QLatin1String(leaf));
}

// The datacore's data when the server holds it valid; empty otherwise.
QStringList validData(const DatacoreMirror& mirror, const QString& path) {
    const Tools::DatacoreState state = mirror.state(path);
    return state.valid ? state.data : QStringList();
}

bool isTrue(const QStringList& data) {
    return data.size() == 1 && data.front() == QLatin1String("true");
}

// One lane for one payload identifier word; false when the word names no
// standard the library can derive.
bool fillLane(std::uint32_t word, bool stable, LaneStatusJsonData& lane) {
    const Sdi::PayloadIdentifierPtr id = Sdi::PayloadIdentifierFactory::create(word);
    if (!id) {
        return false;
    }
    try {
        const auto standard =
            Sdi::StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier({id});
        if (!standard) {
            return false;
        }
        const VirtualInterfaceMetrics metrics = standard->getVirtualInterfaceMetrics();
        const FrameMetrics& frame = metrics.getFrameMetrics();
        const auto& fields = frame.getFieldMetrics();
        if (fields.empty()) {
            return false;
        }
        const bool progressive = fields.size() == 1;
        const FieldMetrics& field1 = fields.front();
        const FieldMetrics& field2 = fields.back();
        lane.setFrameData(static_cast<int>(frame.getFrameDimensions().first),
                          static_cast<int>(field1.getHeight()),
                          progressive ? 0 : static_cast<int>(field2.getHeight()),
                          static_cast<int>(frame.getActivePictureDimensions().first),
                          static_cast<int>(field1.getActivePictureHeight()),
                          progressive ? 0 : static_cast<int>(field2.getActivePictureHeight()),
                          metrics.getVirtualInterfaceCount() > 1, progressive);
    } catch (const std::exception&) {
        return false;  // a word lacking a field the geometry needs
    }
    lane.setDataForProperty(LaneStatusJsonData::IsStableFlag, stable);
    lane.setDataForProperty(LaneStatusJsonData::Smpte352PacketLinkAchannelYpositionDetectedFlag,
                            true);
    lane.setDataForProperty(LaneStatusJsonData::Smpte352PacketLinkAchannelYPosition,
                            id->toHumanReadable());
    return true;
}

}  // namespace

QStringList inputNames(const DatacoreMirror& mirror) {
    QStringList names;
    const QString prefix = inputTreePath + QLatin1Char('/');
    for (const QString& path : mirror.paths()) {
        if (path.startsWith(prefix) && path.indexOf(QLatin1Char('/'), prefix.size()) < 0) {
            names.append(path.mid(prefix.size()));
        }
    }
    return names;
}

QJsonObject inputStatus(const DatacoreMirror& mirror, const QString& name) {
    InputStatusJsonData input;
    const bool stable = isTrue(validData(mirror, childPath(name, "locked")));
    for (const QString& text : validData(mirror, childPath(name, "payloadIdentifier"))) {
        bool ok = false;
        const uint word = text.trimmed().toUInt(&ok, 0);
        LaneStatusJsonData lane;
        if (ok && fillLane(word, stable, lane)) {
            input.getLaneStatusArray().append(lane);
        }
    }
    QJsonObject json;
    input.toCustomQJsonObject(json);
    return json;
}

std::string metricsText(const MetricsInput& input) {
    using prometheus::BuildCounter;
    using prometheus::BuildGauge;
    prometheus::Registry registry;

    auto& temp =
        BuildGauge().Name("corvane_hwmon_temp_celsius").Help("Temperature.").Register(registry);
    auto& tempMin = BuildGauge()
                        .Name("corvane_hwmon_temp_min_celsius")
                        .Help("Lowest temperature without alarm.")
                        .Register(registry);
    auto& tempMax = BuildGauge()
                        .Name("corvane_hwmon_temp_max_celsius")
                        .Help("Highest temperature without alarm.")
                        .Register(registry);
    auto& in =
        BuildGauge().Name("corvane_hwmon_in_volts").Help("Supply voltage.").Register(registry);
    auto& inMin = BuildGauge()
                      .Name("corvane_hwmon_in_min_volts")
                      .Help("Lowest supply voltage without alarm.")
                      .Register(registry);
    auto& inMax = BuildGauge()
                      .Name("corvane_hwmon_in_max_volts")
                      .Help("Highest supply voltage without alarm.")
                      .Register(registry);
    auto& fan = BuildGauge().Name("corvane_hwmon_fan_rpm").Help("Fan speed.").Register(registry);
    auto& fanMin = BuildGauge()
                       .Name("corvane_hwmon_fan_min_rpm")
                       .Help("Lowest fan speed without alarm.")
                       .Register(registry);
    auto& fanMax = BuildGauge()
                       .Name("corvane_hwmon_fan_max_rpm")
                       .Help("Highest fan speed without alarm.")
                       .Register(registry);
    auto& alarm = BuildGauge()
                      .Name("corvane_hwmon_alarm")
                      .Help("1 while the sensor reads outside its limits.")
                      .Register(registry);
    auto& alarmReadings = BuildGauge()
                              .Name("corvane_hwmon_alarm_readings")
                              .Help("Consecutive readings outside the limits.")
                              .Register(registry);
    // The known sensors in their component order: two temperatures, two
    // supplies, then the fans.
    for (std::size_t i = 0; i < input.sensors.size(); ++i) {
        const sensorData& s = input.sensors[i];
        const prometheus::Labels labels{{"sensor", s.name}};
        prometheus::Family<prometheus::Gauge>* families[3] = {&fan, &fanMin, &fanMax};
        if (i < 2) {
            families[0] = &temp, families[1] = &tempMin, families[2] = &tempMax;
        } else if (i < 4) {
            families[0] = &in, families[1] = &inMin, families[2] = &inMax;
        }
        families[0]->Add(labels).Set(s.value);
        families[1]->Add(labels).Set(s.lowLimit);
        families[2]->Add(labels).Set(s.highLimit);
        alarm.Add(labels).Set(s.alarmCount > 0 ? 1 : 0);
        alarmReadings.Add(labels).Set(s.alarmCount);
    }

    const DatacoreMirror& mirror = input.mirror;
    int invalid = 0;
    for (const QString& path : mirror.paths()) {
        invalid += mirror.state(path).valid ? 0 : 1;
    }
    BuildGauge()
        .Name("corvane_datacore_connected")
        .Help("1 while the datacore server is connected.")
        .Register(registry)
        .Add({})
        .Set(mirror.isConnected() ? 1 : 0);
    BuildGauge()
        .Name("corvane_datacore_datacores")
        .Help("Datacores mirrored.")
        .Register(registry)
        .Add({})
        .Set(mirror.paths().size());
    BuildGauge()
        .Name("corvane_datacore_invalid_datacores")
        .Help("Mirrored datacores the server holds invalid.")
        .Register(registry)
        .Add({})
        .Set(invalid);
    BuildCounter()
        .Name("corvane_datacore_lost_packets_total")
        .Help("Datacore packets lost since start.")
        .Register(registry)
        .Add({})
        .Increment(static_cast<double>(mirror.lostPacketsTotal()));

    auto& locked = BuildGauge()
                       .Name("corvane_sdi_locked")
                       .Help("1 while the SDI input is locked.")
                       .Register(registry);
    auto& crc = BuildGauge()
                    .Name("corvane_sdi_crc_errors")
                    .Help("CRC errors the SDI input counted.")
                    .Register(registry);
    for (const QString& name : inputNames(mirror)) {
        const prometheus::Labels labels{{"input", name.toStdString()}};
        locked.Add(labels).Set(isTrue(validData(mirror, childPath(name, "locked"))) ? 1 : 0);
        const QStringList errors = validData(mirror, childPath(name, "crcErrors"));
        bool ok = false;
        const double count = errors.size() == 1 ? errors.front().toDouble(&ok) : 0;
        if (ok) {
            crc.Add(labels).Set(count);
        }
    }

    auto& requests = BuildCounter()
                         .Name("corvane_http_requests_total")
                         .Help("HTTP requests answered, by status code.")
                         .Register(registry);
    for (const auto& [code, count] : input.requestsByCode) {
        requests.Add({{"code", std::to_string(code)}}).Increment(static_cast<double>(count));
    }

    prometheus::Labels build;
    for (const VersionedEntity& v : input.versions) {
        if (v.name == QLatin1String("Software")) {
            build["version"] = v.version.toStdString();
        } else if (v.name == QLatin1String("FPGA")) {
            build["fpga"] = v.version.toStdString();
        }
    }
    BuildGauge()
        .Name("corvane_build_info")
        .Help("The software and FPGA versions, as labels.")
        .Register(registry)
        .Add(build)
        .Set(1);

    std::ostringstream out;
    prometheus::TextSerializer().Serialize(out, registry.Collect());
    return out.str();
}

}  // namespace Corvane::Webd
