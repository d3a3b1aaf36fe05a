#pragma once

#include <QJsonObject>

#include "client/DatacoreConnectionBuilderBase.h"

namespace Corvane {

class DatacoreTreeModel;
class TqClientDatacoreManager;

// Hands every datacore the server announced to the monitor's tree model,
// each under its full path. The registry cannot list its datacores, so the
// builder is given the server's path tree before the manager populates the
// registry from it, and walks it the way the manager does.
class MonitorConnectionBuilder : public DatacoreConnectionBuilderBase {
    Q_OBJECT
public:
    MonitorConnectionBuilder(TqClientDatacoreManager& manager, DatacoreTreeModel& model,
                             QObject* parent = nullptr);

    // The JSON object of the latest "DatacorePathRadixTreePacket".
    void setPathTree(const QJsonObject& pathTree) { pathTree_ = pathTree; }

protected:
    void connectDatacoresToGui() override;

private:
    const TqClientDatacoreManager& manager_;
    DatacoreTreeModel& model_;
    QJsonObject pathTree_;
};

}  // namespace Corvane
