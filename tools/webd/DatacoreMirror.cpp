#include "DatacoreMirror.h"

#include <QTcpSocket>
#include <utility>

#include "client/ClientDatacoreRegistry.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"

namespace Corvane::Webd {

DatacoreMirror::DatacoreMirror(QString host, quint16 port, int readyTimeoutMs, QObject* parent)
    : QObject(parent), host_(std::move(host)), port_(port), readyTimeoutMs_(readyTimeoutMs) {
    manager_ = std::make_unique<TqClientDatacoreManager>(connection_, distributor_);
    distributor_.registerPacketAcceptor(
        this, std::deque<QString>{QLatin1String(DatacorePathRadixTreePacket::className),
                                  QLatin1String(DatacorePacket::className)});
    // Connected after the manager's registry, which has dropped every
    // datacore by the time this runs.
    connect(&connection_, &NetworkConnection::disconnectedFromHost, this,
            &DatacoreMirror::onDisconnected);
    retry_.setInterval(retryIntervalMs);
    connect(&retry_, &QTimer::timeout, this, &DatacoreMirror::attempt);
    readyTimer_.setSingleShot(true);
    connect(&readyTimer_, &QTimer::timeout, this, &DatacoreMirror::becomeReady);
}

DatacoreMirror::~DatacoreMirror() {
    // The sockets die after this object's own parts: their last signals must
    // not reach them.
    connection_.disconnect(this);
    if (attempt_) {
        attempt_->disconnect(this);
    }
}

void DatacoreMirror::start() {
    attempt();
    retry_.start();
}

ClientDatacore* DatacoreMirror::datacore(const QString& path) const {
    const auto found = followed_.find(path);
    return found == followed_.end() ? nullptr : found->second.datacore.data();
}

Tools::DatacoreState DatacoreMirror::state(const QString& path) const {
    const auto found = followed_.find(path);
    if (found == followed_.end()) {
        return Tools::readDatacoreState(path, nullptr, false, 0);
    }
    const Followed& f = found->second;
    return Tools::readDatacoreState(path, f.datacore, f.inSync, f.lostPackets);
}

QJsonArray DatacoreMirror::statesJson(const QString& prefix) const {
    QJsonArray all;
    for (const QString& path : paths_) {
        if (isUnder(path, prefix)) {
            all.append(Tools::stateJson(state(path)));
        }
    }
    return all;
}

bool DatacoreMirror::canAcceptPacket(QString className) {
    return className == QLatin1String(DatacorePathRadixTreePacket::className) ||
           className == QLatin1String(DatacorePacket::className);
}

void DatacoreMirror::acceptPacket(const SerialisableDataPacket& packet) {
    if (packet.getPacketClassName() == QLatin1String(DatacorePathRadixTreePacket::className)) {
        if (!paths_.isEmpty()) {
            return;  // the manager ignores a second tree too
        }
        const ClientDatacoreRegistry& registry = manager_->getClientDatacoreRegistry();
        for (const QString& path : Tools::datacorePathsOf(*manager_, packet.getJsonObject())) {
            ClientDatacore* datacore = registry.lookupDatacoreFromPath(path);
            if (datacore == nullptr || followed_.count(path) != 0) {
                continue;  // the registry refused it
            }
            paths_.append(path);
            Followed* f = &followed_[path];  // map nodes stay put
            f->datacore = datacore;
            connect(datacore, &ClientDatacore::datacoreOutOfSyncWithServer, this,
                    [f] { f->inSync = false; });
            connect(datacore, &ClientDatacore::datacoreInSyncWithServer, this,
                    [f] { f->inSync = true; });
            connect(datacore, &ClientDatacore::lostPackets, this, [this, f](int n) {
                f->lostPackets += n;
                lostPacketsTotal_ += static_cast<quint64>(n);
            });
        }
        statesMissing_ = paths_.size();
        if (statesMissing_ == 0) {
            becomeReady();
        } else {
            readyTimer_.start(readyTimeoutMs_);
        }
        return;
    }
    DatacorePacket datacorePacket{QLatin1String(DatacorePacket::className)};
    datacorePacket.setJsonObject(packet.getJsonObject());
    const QString path = datacorePacket.getDatacorePath();
    const auto found = followed_.find(path);
    if (found == followed_.end()) {
        return;
    }
    if (ready_) {
        emit datacoreChanged(path);
        return;
    }
    if (!found->second.stateArrived) {
        found->second.stateArrived = true;
        if (--statesMissing_ == 0) {
            becomeReady();
        }
    }
}

// Each tick starts afresh: an attempt still pending after a second is
// abandoned, so an unreachable host costs no more than one try a second.
void DatacoreMirror::attempt() {
    if (attempt_) {
        attempt_->disconnect(this);
        attempt_->abort();
    }
    attempt_ = std::make_unique<QTcpSocket>();
    connect(attempt_.get(), &QTcpSocket::connected, this, &DatacoreMirror::onConnected);
    attempt_->connectToHost(host_, port_);
}

void DatacoreMirror::onConnected() {
    retry_.stop();
    attempt_->disconnect(this);
    if (!connection_.connectToHost(std::move(attempt_))) {
        onDisconnected();
    }
}

void DatacoreMirror::onDisconnected() {
    readyTimer_.stop();
    paths_.clear();
    followed_.clear();
    statesMissing_ = 0;
    ready_ = false;
    retry_.start();
    emit connectionLost();
}

void DatacoreMirror::becomeReady() {
    readyTimer_.stop();
    if (!ready_) {
        ready_ = true;
        emit ready();
    }
}

}  // namespace Corvane::Webd
