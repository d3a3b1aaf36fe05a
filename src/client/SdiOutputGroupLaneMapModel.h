#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace Corvane {

// Which source feeds each lane of an SDI output group, fed from a client
// datacore whose data is one decimal source number per lane. Always at
// least four lanes; the number of lanes never shrinks.
class SdiOutputGroupLaneMapModel : public QObject {
    Q_OBJECT
public:
    // What an output lane can carry. Anything not listed reads as unassigned.
    enum LaneSource : int {
        unassigned = 0,        // lane idle
        generator = 1,         // the instrument's test-signal generator
        inputLoopThrough = 2,  // the analysed SDI input, passed through
        ipReceiver = 3,        // video received over IP, output as SDI
        clipPlayer = 4,        // a stored clip played out
    };
    Q_ENUM(LaneSource)

    static constexpr int minimumLanes = 4;

    explicit SdiOutputGroupLaneMapModel(QObject* parent = nullptr);

    const QList<LaneSource>& getLaneModel() const { return laneModel_; }

signals:
    void toUser_LaneModelChanged(QList<LaneSource> model);

public slots:
    // Matches ClientDatacore::datacoreUpdated; validity and activity unused.
    void fromDatacoreUpdateLaneSources(QStringList updatedLaneSources, QStringList, bool);

private:
    QList<LaneSource> laneModel_;
};

}  // namespace Corvane
