// corvane-sensors on the simulated board against lm-sensors.

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <string>

#include "support/BoardTestSupport.h"
#include "support/LogCapture.h"

using namespace Corvane;
using namespace Corvane::Sim;
using namespace Corvane::Testing;

namespace {

TEST_F(HealthSensors, EveryReadingMatchesLmSensors) {
    if (::access("/usr/bin/sensors", X_OK) != 0) {
        GTEST_SKIP() << "lm-sensors' sensors program is not installed";
    }
    BoardConfig config;
    config.sensors[static_cast<std::size_t>(Reading::fan3)] = 1234;
    config.sensors[static_cast<std::size_t>(Reading::ddr)].reset();
    SimulatedBoard board(config);

    // sensors -u: a chip line, "Adapter: ...", "label:", "  sub: value".
    std::string text, json;
    ASSERT_EQ(board.run({"/usr/bin/sensors", "-u"}, text), 0) << text;
    ASSERT_EQ(board.run({CORVANE_BIN_DIR "/corvane-sensors", "--all", "--json"}, json), 0);
    std::map<std::string, std::string> peer;
    std::string chip;
    for (const std::string& line : Testing::linesOf(text)) {
        if (line.empty()) {
            chip.clear();
        } else if (chip.empty()) {
            chip = line;
        } else if (line.rfind("  ", 0) == 0) {
            const auto colon = line.find(':');
            peer[chip + " " + line.substr(2, colon - 2)] = line.substr(colon + 2);
        }
    }
    ASSERT_FALSE(peer.empty());

    std::map<std::string, std::string> ours;
    for (const QJsonValue& v : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
        const QJsonObject r = v.toObject();
        if (!r["chip"].toString().isEmpty()) {
            ours[(r["chip"].toString() + " " + r["subfeature"].toString()).toStdString()] =
                QString::number(r["value"].toDouble(), 'f', 3).toStdString();
        }
    }
    EXPECT_EQ(ours, peer);
    EXPECT_EQ(ours["adt7473-i2c-0-2e fan3_input"], "1234.000");
    EXPECT_EQ(ours.count("isppac-i2c-0-40 in5_input"), 0u);
}

}  // namespace
