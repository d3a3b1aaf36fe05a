#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

#include "DatacoreTreeModel.h"
#include "client/NetworkConnection.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"
#include "packets/SerialisableDataPacketDistributor.h"

class QTcpSocket;

namespace Corvane {

class MonitorConnectionBuilder;
class TqClientDatacoreManager;

// The monitor's link to one datacore server: the mirrored datacores in a
// tree model, kept through losses of the server. Connects without blocking
// the event loop; while there is no connection it tries again every second,
// and a server that comes back is mirrored afresh.
//
// Besides the manager it listens to the packets itself: to the path tree
// before the manager (so the builder knows the paths when the registry is
// populated) and to datacore packets after it (so a packet's state has been
// applied when the model is told it arrived).
class DatacoreMonitor : public QObject, private SerialisableDataPacketAcceptorInterface {
    Q_OBJECT
public:
    enum class State { connecting, connected, lost };
    static constexpr int retryIntervalMs = 1000;

    DatacoreMonitor(QString host, quint16 port, QObject* parent = nullptr);
    ~DatacoreMonitor() override;

    void start();

    State state() const { return state_; }
    // "connecting", "connected" or "lost", as the status bar shows it.
    QString stateText() const;
    // host:port
    QString serverText() const;
    DatacoreTreeModel& model() { return model_; }
    // Its connectionToDatacoresGained() and connectionToDatacoresLost()
    // bracket the time the datacores (and the model's rows) exist.
    MonitorConnectionBuilder& builder() { return *builder_; }

signals:
    void stateChanged(State state);

private:
    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;

    void attempt();
    void onConnected();
    void onDisconnected();
    void setState(State state);

    QString host_;
    quint16 port_;
    State state_ = State::connecting;
    NetworkConnection connection_;
    SerialisableDataPacketDistributor distributor_;
    DatacoreTreeModel model_;
    std::unique_ptr<TqClientDatacoreManager> manager_;
    std::unique_ptr<MonitorConnectionBuilder> builder_;
    QTimer retry_;
    std::unique_ptr<QTcpSocket> attempt_;  // until the connection adopts it
};

}  // namespace Corvane
