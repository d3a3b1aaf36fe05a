#include "DatacoreMonitor.h"

#include <QTcpSocket>
#include <utility>

#include "MonitorConnectionBuilder.h"
#include "client/TqClientDatacoreManager.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"

namespace Corvane {

DatacoreMonitor::DatacoreMonitor(QString host, quint16 port, QObject* parent)
    : QObject(parent), host_(std::move(host)), port_(port) {
    distributor_.registerPacketAcceptor(this,
                                        QLatin1String(DatacorePathRadixTreePacket::className));
    manager_ = std::make_unique<TqClientDatacoreManager>(connection_, distributor_);
    builder_ = std::make_unique<MonitorConnectionBuilder>(*manager_, model_);
    distributor_.registerPacketAcceptor(this, QLatin1String(DatacorePacket::className));

    // The registry has already dropped its datacores when this runs.
    connect(builder_.get(), &DatacoreConnectionBuilderBase::connectionToDatacoresLost, &model_,
            &DatacoreTreeModel::clear);
    connect(&connection_, &NetworkConnection::disconnectedFromHost, this,
            &DatacoreMonitor::onDisconnected);
    retry_.setInterval(retryIntervalMs);
    connect(&retry_, &QTimer::timeout, this, &DatacoreMonitor::attempt);
}

DatacoreMonitor::~DatacoreMonitor() {
    // The socket dies with the connection, after this object's own parts:
    // its last signals must not reach them.
    connection_.disconnect(this);
    if (attempt_) {
        attempt_->disconnect(this);
    }
}

void DatacoreMonitor::start() {
    attempt();
    retry_.start();
}

QString DatacoreMonitor::stateText() const {
    switch (state_) {
        case State::connecting:
            return QStringLiteral("connecting");
        case State::connected:
            return QStringLiteral("connected");
        case State::lost:
            return QStringLiteral("lost");
    }
    return {};
}

QString DatacoreMonitor::serverText() const {
    return QStringLiteral("%1:%2").arg(host_).arg(port_);
}

bool DatacoreMonitor::canAcceptPacket(QString className) {
    return className == QLatin1String(DatacorePathRadixTreePacket::className) ||
           className == QLatin1String(DatacorePacket::className);
}

void DatacoreMonitor::acceptPacket(const SerialisableDataPacket& packet) {
    if (packet.getPacketClassName() == QLatin1String(DatacorePathRadixTreePacket::className)) {
        builder_->setPathTree(packet.getJsonObject());
        return;
    }
    DatacorePacket datacorePacket{QLatin1String(DatacorePacket::className)};
    datacorePacket.setJsonObject(packet.getJsonObject());
    model_.noteStateArrived(datacorePacket.getDatacorePath());
}

// Each tick starts afresh: an attempt still pending after a second is
// abandoned, so an unreachable host costs no more than one try a second.
void DatacoreMonitor::attempt() {
    if (attempt_) {
        attempt_->disconnect(this);
        attempt_->abort();
    }
    attempt_ = std::make_unique<QTcpSocket>();
    connect(attempt_.get(), &QTcpSocket::connected, this, &DatacoreMonitor::onConnected);
    attempt_->connectToHost(host_, port_);
}

void DatacoreMonitor::onConnected() {
    retry_.stop();
    attempt_->disconnect(this);
    if (connection_.connectToHost(std::move(attempt_))) {
        setState(State::connected);
    } else {
        onDisconnected();
    }
}

void DatacoreMonitor::onDisconnected() {
    if (state_ == State::connected) {
        setState(State::lost);
    }
    retry_.start();
}

void DatacoreMonitor::setState(State state) {
    if (state_ != state) {
        state_ = state;
        emit stateChanged(state);
    }
}

}  // namespace Corvane
