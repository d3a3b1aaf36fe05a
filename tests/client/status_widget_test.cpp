#include "client/ClientDatacore.h"
#include "client/DatacoreConnectionBuilderBase.h"
#include "client/DatacoreStatusWidget.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <cstdlib>
#include <functional>

namespace Corvane {
namespace {

const QString waiting = "<b>Waiting for response from Server!</b>";

// The colour of the icon's disc, away from the white symbol on it.
QRgb discColour(const DatacoreStatusWidget& widget) {
    const QImage image = widget.getLabel().pixmap(Qt::ReturnByValue).toImage();
    EXPECT_EQ(image.size(), QSize(22, 22));
    return image.isNull() ? 0 : image.pixel(11, 3);
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 16 && std::abs(qGreen(a) - qGreen(b)) < 16 &&
           std::abs(qBlue(a) - qBlue(b)) < 16;
}

TEST(DatacoreStatusWidget, IconAndToolTipInEveryState) {
    using Step = std::function<void(DatacoreStatusWidget&)>;
    const Step sync = [](DatacoreStatusWidget& w) { w.onDatacoreGainsSyncWithServer(); };
    const Step unsync = [](DatacoreStatusWidget& w) { w.onDatacoreLosesSyncWithServer(); };
    const Step valid = [](DatacoreStatusWidget& w) { w.onDatacoreHasBecomeValid(); };
    const Step invalid = [](DatacoreStatusWidget& w) {
        QStringList reasons{"a", "b"};
        w.onDatacoreHasBecomeInvalid(reasons);
    };
    const std::tuple<const char*, std::vector<Step>, QRgb, QString> cases[] = {
        {"fresh", {}, DatacoreStatusColours::warning, waiting},
        {"in sync and valid", {sync}, DatacoreStatusColours::good, ""},
        {"in sync, invalid", {sync, invalid}, DatacoreStatusColours::error, "-> a-> b"},
        {"waiting, invalid", {invalid}, DatacoreStatusColours::error, waiting + "-> a-> b"},
        {"valid again", {invalid, sync, valid}, DatacoreStatusColours::good, ""},
        {"sync lost", {sync, unsync}, DatacoreStatusColours::warning, waiting},
    };
    for (const auto& [what, steps, icon, toolTip] : cases) {
        DatacoreStatusWidget widget;
        for (const Step& step : steps) {
            step(widget);
        }
        EXPECT_TRUE(near(discColour(widget), icon)) << what;
        EXPECT_EQ(widget.getLabel().toolTip(), toolTip) << what;
    }
}

// A connected widget following a datacore is the monitor's to check, over
// the real server; no widget is no connection.
TEST(DatacoreStatusWidget, ConnectingNoWidgetIsHarmless) {
    ClientDatacore datacore("ClientDatacore", "sdi1", nullptr, "statusCoreRouter/sdi1");
    DatacoreConnectionBuilderBase::connectClientDatacoreToDatacoreStatusWidget(&datacore, nullptr);
    datacore.setDataInt(8);
}

}  // namespace
}  // namespace Corvane
