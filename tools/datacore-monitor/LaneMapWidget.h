#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "client/SdiOutputGroupLaneMapModel.h"

namespace Corvane {

class ClientDatacore;

// One SDI output group's lanes, drawn as a row of boxes, each filled with
// the colour of the source that feeds it and labelled with its name. Fed
// from the group's lane-source datacore through an
// SdiOutputGroupLaneMapModel; an inactive group is drawn greyed.
class LaneMapWidget : public QWidget {
    Q_OBJECT
public:
    // `title` names the group ("output/group1"); the widget follows
    // `datacore` until one of the two is destroyed.
    LaneMapWidget(const QString& title, ClientDatacore& datacore, QWidget* parent = nullptr);

    const SdiOutputGroupLaneMapModel& laneMap() const { return laneMap_; }
    bool isGroupActive() const { return active_; }

    // The label and fill of a source as the panel draws it.
    static QString sourceName(SdiOutputGroupLaneMapModel::LaneSource source);
    static QColor sourceColour(SdiOutputGroupLaneMapModel::LaneSource source);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    SdiOutputGroupLaneMapModel laneMap_;
    bool active_ = true;
};

}  // namespace Corvane
