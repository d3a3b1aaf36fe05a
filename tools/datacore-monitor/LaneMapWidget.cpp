#include "LaneMapWidget.h"

#include <QPainter>
#include <algorithm>
#include <deque>

#include "client/ClientDatacore.h"

namespace Corvane {
namespace {

struct SourceLook {
    const char* name;
    QRgb colour;
};

// Indexed by LaneSource. Hues kept clear of the status icons' green, amber
// and red, so a lane never reads as a verdict.
constexpr SourceLook sourceLooks[] = {
    {"Unassigned", 0xFF9E9E9E},  {"Generator", 0xFF3A7BD5},   {"Input loop", 0xFF2A9D8F},
    {"IP receiver", 0xFF8E6BBF}, {"Clip player", 0xFFC7793A},
};

constexpr int titleHeight = 20;
constexpr int boxWidth = 100;
constexpr int boxHeight = 44;
constexpr int gap = 6;

}  // namespace

LaneMapWidget::LaneMapWidget(const QString& title, ClientDatacore& datacore, QWidget* parent)
    : QWidget(parent), title_(title) {
    connect(&datacore, &ClientDatacore::datacoreUpdated, &laneMap_,
            &SdiOutputGroupLaneMapModel::fromDatacoreUpdateLaneSources);
    connect(&datacore, &ClientDatacore::datacoreUpdated, this,
            [this](const QStringList&, const QStringList&, bool active) {
                active_ = active;
                update();
            });
    connect(&laneMap_, &SdiOutputGroupLaneMapModel::toUser_LaneModelChanged, this, [this] {
        setMinimumSize(sizeHint());  // a group can gain lanes
        updateGeometry();
        update();
    });
    // What the datacore holds now; later changes arrive as updates.
    const std::deque<QString>& data = datacore.getDataArray();
    laneMap_.fromDatacoreUpdateLaneSources(QStringList(data.begin(), data.end()), {}, true);
    active_ = datacore.isActive();
    setMinimumSize(LaneMapWidget::sizeHint());  // a constructor reaches no override
}

QString LaneMapWidget::sourceName(SdiOutputGroupLaneMapModel::LaneSource source) {
    return QLatin1String(sourceLooks[source].name);
}

QColor LaneMapWidget::sourceColour(SdiOutputGroupLaneMapModel::LaneSource source) {
    return QColor(sourceLooks[source].colour);
}

QSize LaneMapWidget::sizeHint() const {
    const int lanes =
        std::max<int>(laneMap_.getLaneModel().size(), SdiOutputGroupLaneMapModel::minimumLanes);
    return {lanes * (boxWidth + gap) - gap, titleHeight + boxHeight};
}

void LaneMapWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!active_) {
        painter.setOpacity(0.45);
    }
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, 0, width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     active_ ? title_ : title_ + QStringLiteral(" (inactive)"));

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    QFont name = small;
    name.setBold(true);
    const QList<SdiOutputGroupLaneMapModel::LaneSource>& lanes = laneMap_.getLaneModel();
    for (int lane = 0; lane < lanes.size(); ++lane) {
        const QRectF box(lane * (boxWidth + gap) + 0.5, titleHeight + 0.5, boxWidth - 1,
                         boxHeight - 1);
        const QColor fill = sourceColour(lanes[lane]);
        painter.setPen(fill.darker(130));
        painter.setBrush(fill);
        painter.drawRoundedRect(box, 5, 5);
        painter.setPen(Qt::white);
        painter.setFont(small);
        painter.drawText(box.adjusted(0, 3, 0, -boxHeight / 2.0), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Lane %1").arg(lane + 1));
        painter.setFont(name);
        painter.drawText(box.adjusted(2, boxHeight / 2.0 - 2, -2, -2),
                         Qt::AlignHCenter | Qt::AlignVCenter, sourceName(lanes[lane]));
    }
}

}  // namespace Corvane
