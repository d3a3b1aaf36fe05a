#include "client/SdiOutputGroupLaneMapModel.h"

#include "app/Logging.h"

#include <QMetaType>
#include <algorithm>

namespace Corvane {

SdiOutputGroupLaneMapModel::SdiOutputGroupLaneMapModel(QObject* parent) : QObject(parent) {
    qRegisterMetaType<QList<LaneSource>>("QList<LaneSource>");
}

void SdiOutputGroupLaneMapModel::fromDatacoreUpdateLaneSources(QStringList updatedLaneSources,
                                                               QStringList, bool) {
    QList<LaneSource> model;
    model.reserve(std::max(minimumLanes, updatedLaneSources.size()));
    for (const QString& text : updatedLaneSources) {
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        const bool known = ok && value >= unassigned && value <= clipPlayer;
        model.append(known ? static_cast<LaneSource>(value) : unassigned);
    }
    while (model.size() < minimumLanes) {
        model.append(unassigned);
    }
    if (model == laneModel_) {
        return;
    }
    // Lanes are never taken away: a shorter list can only be a broken one.
    if (model.size() < laneModel_.size()) {
        logLine(LogLevel::info, "Invalid lane datacore passed to IOGroupLaneModel, ignoring");
        return;
    }
    laneModel_ = model;
    emit toUser_LaneModelChanged(laneModel_);
}

}  // namespace Corvane
