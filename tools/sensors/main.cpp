// corvane-sensors: the controller's health sensors as the platform library
// sees them: the seven known sensors with their limits and alarm counts, or
// every reading libsensors offers.

#include <signal.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <thread>

#include "common/CommandLine.h"
#include "common/SensorsJson.h"
#include "platform/healthsensors.h"

using Corvane::cachedReading;
using Corvane::healthSensors;
using Corvane::sensorData;
using Corvane::Tools::fail;

namespace {

volatile sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

void printKnown(const std::vector<sensorData>& sensors, bool json, bool markAlarms) {
    QTextStream out(stdout);
    if (json) {
        const QJsonArray rows = Corvane::Tools::sensorsJson(sensors);
        // One line per table, so that --watch gives one document per line.
        out << QJsonDocument(rows).toJson(QJsonDocument::Compact) << "\n";
        return;
    }
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg("Sensor", -10)
               .arg("Value", 10)
               .arg("Low", 10)
               .arg("High", 10)
               .arg("Alarms", 7);
    for (const sensorData& s : sensors) {
        out << QStringLiteral("%1 %2 %3 %4 %5")
                   .arg(QString::fromStdString(s.name), -10)
                   .arg(s.value, 10, 'f', 3)
                   .arg(s.lowLimit, 10, 'f', 3)
                   .arg(s.highLimit, 10, 'f', 3)
                   .arg(s.alarmCount, 7);
        out << (markAlarms && s.alarmCount > 0 ? "  ALARM\n" : "\n");
    }
}

void printAll(const std::vector<cachedReading>& readings, bool json) {
    QTextStream out(stdout);
    if (json) {
        QJsonArray rows;
        for (const cachedReading& r : readings) {
            QJsonObject row = Corvane::Tools::sensorJson(r.data);
            row["key"] = QString::fromStdString(r.key);
            row["chip"] = QString::fromStdString(r.chip);
            row["label"] = QString::fromStdString(r.label);
            row["subfeature"] = QString::fromStdString(r.subfeature);
            rows.append(row);
        }
        out << QJsonDocument(rows).toJson(QJsonDocument::Indented);
        return;
    }
    for (const cachedReading& r : readings) {
        const QString chip =
            r.chip.empty() ? QStringLiteral("(not fitted)") : QString::fromStdString(r.chip);
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(chip, -28)
                   .arg(QString::fromStdString(r.label), -10)
                   .arg(QString::fromStdString(r.subfeature), -12)
                   .arg(r.data.value, 12, 'f', 3);
        out << (r.data.name == "Unknown" ? QString("\n")
                                         : QStringLiteral("  %1\n").arg(r.data.name.c_str()));
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-sensors"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Reads the controller's health sensors through libsensors: the seven known sensors\n"
        "(FPGA and CPU temperature, 5.5 V and DDR supplies, three fans) with their limits\n"
        "and counts of consecutive readings outside them, or every reading libsensors offers.");
    const QCommandLineOption json(QStringLiteral("json"), "Print JSON for scripts.");
    const QCommandLineOption all(QStringLiteral("all"),
                                 "List every cached reading (chip, label, sub-feature, value).");
    const QCommandLineOption watch(QStringLiteral("watch"),
                                   "Re-read the known sensors every SECONDS and print them, "
                                   "marking alarms, until interrupted.",
                                   QStringLiteral("SECONDS"));
    const QCommandLineOption count(QStringLiteral("count"), "With --watch: stop after N rounds.",
                                   QStringLiteral("N"));
    parser.addOptions({json, all, watch, count});
    if (const auto status = Corvane::Tools::parseArguments(parser)) {
        return *status;
    }

    if (!parser.positionalArguments().isEmpty()) {
        return fail(2, "no arguments expected (see --help)");
    }
    if (parser.isSet(all) && parser.isSet(watch)) {
        return fail(2, "--all and --watch exclude each other");
    }
    double period = 0.0;
    if (parser.isSet(watch)) {
        bool ok = false;
        period = parser.value(watch).toDouble(&ok);
        if (!ok || !std::isfinite(period) || period <= 0.0 || period > 86400.0) {
            return fail(2, QStringLiteral("--watch: '%1' is not a number of seconds")
                               .arg(parser.value(watch)));
        }
    }
    long rounds = -1;  // for ever
    if (parser.isSet(count)) {
        bool ok = false;
        rounds = parser.value(count).toLong(&ok);
        if (!ok || rounds < 1 || !parser.isSet(watch)) {
            return fail(2, "--count needs --watch and a positive number");
        }
    }

    // The library reports unreadable sensors through the application logger.
    spdlog::stderr_logger_mt("TQLOG")->set_pattern("corvane-sensors: %v");

    try {
        healthSensors sensors;
        if (parser.isSet(all)) {
            printAll(sensors.getEveryCachedReading(), parser.isSet(json));
            return 0;
        }
        if (!parser.isSet(watch)) {
            printKnown(sensors.getAllCachedSensors(), parser.isSet(json), false);
            return 0;
        }
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        const auto step = std::chrono::duration<double>(period);
        auto next = std::chrono::steady_clock::now();
        for (long round = 0; !stopRequested && round != rounds; ++round) {
            if (round > 0) {
                next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(step);
                // Short naps so that an interrupt ends the wait promptly.
                while (!stopRequested && std::chrono::steady_clock::now() < next) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
                if (stopRequested) {
                    break;
                }
            }
            sensors.updateSensorsCache();
            printKnown(sensors.getAllCachedSensors(), parser.isSet(json), true);
            if (!parser.isSet(json)) {
                QTextStream(stdout) << "\n";
            }
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        return fail(1, e.what());
    }
    return 0;
}
