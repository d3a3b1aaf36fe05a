#include "DatacoreSession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <cstdio>
#include <utility>

#include "client/ClientDatacore.h"
#include "client/ClientDatacoreRegistry.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"

namespace Corvane::Tools {

DatacoreSession::DatacoreSession(DatacoreCommand command, Options options)
    : command_(std::move(command)),
      options_(std::move(options)),
      where_(QStringLiteral("%1:%2").arg(options_.host).arg(options_.port)),
      manager_(connection_, distributor_) {
    // After the manager, so its populator has applied a packet before this
    // session looks at it.
    distributor_.registerPacketAcceptor(
        this, std::deque<QString>{QLatin1String(DatacorePathRadixTreePacket::className),
                                  QLatin1String(DatacorePacket::className)});
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { finish(1, timeoutMessage_); });
    // Connected after the manager's registry, which has dropped every
    // datacore by the time this runs.
    connect(&connection_, &NetworkConnection::disconnectedFromHost, this,
            [this] { finish(1, QStringLiteral("%1 closed the connection").arg(where_)); });
}

DatacoreSession::~DatacoreSession() {
    // The sockets die after this object's own parts: their last signals must
    // not reach them.
    connection_.disconnect(this);
    if (socket_) {
        socket_->disconnect(this);
    }
}

void DatacoreSession::start() {
    enterPhase(
        Phase::connecting,
        QStringLiteral("cannot connect to %1 within %2 ms").arg(where_).arg(options_.timeoutMs));
    socket_ = std::make_unique<QTcpSocket>();
    connect(socket_.get(), &QTcpSocket::connected, this, &DatacoreSession::onConnected);
    connect(socket_.get(), &QAbstractSocket::errorOccurred, this, [this] {
        finish(1, QStringLiteral("cannot connect to %1: %2").arg(where_, socket_->errorString()));
    });
    socket_->connectToHost(options_.host, options_.port);
}

void DatacoreSession::interrupt() {
    finish(0);
}

bool DatacoreSession::canAcceptPacket(QString className) {
    return className == QLatin1String(DatacorePathRadixTreePacket::className) ||
           className == QLatin1String(DatacorePacket::className);
}

void DatacoreSession::acceptPacket(const SerialisableDataPacket& packet) {
    if (packet.getPacketClassName() == QLatin1String(DatacorePathRadixTreePacket::className)) {
        onPathTree(packet);
    } else {
        onDatacorePacket(packet);
    }
}

void DatacoreSession::enterPhase(Phase phase, const QString& timeoutMessage) {
    phase_ = phase;
    timeoutMessage_ = timeoutMessage;
    if (timeoutMessage.isEmpty()) {
        timer_.stop();
    } else {
        timer_.start(options_.timeoutMs);
    }
}

void DatacoreSession::onConnected() {
    socket_->disconnect(this);
    enterPhase(Phase::awaitingPaths, QStringLiteral("no datacore paths from %1 within %2 ms")
                                         .arg(where_)
                                         .arg(options_.timeoutMs));
    if (!connection_.connectToHost(std::move(socket_))) {
        finish(1, QStringLiteral("%1 closed the connection").arg(where_));
    }
}

void DatacoreSession::onPathTree(const SerialisableDataPacket& packet) {
    if (phase_ != Phase::awaitingPaths) {
        return;  // the manager ignores a second tree too
    }
    if (command_.verb == DatacoreCommand::Verb::paths) {
        const QStringList paths = datacorePathsOf(manager_, packet.getJsonObject());
        if (options_.json) {
            printLine(QJsonDocument(QJsonObject{{"paths", QJsonArray::fromStringList(paths)}})
                          .toJson(QJsonDocument::Compact));
        } else if (!paths.isEmpty()) {
            printLine(paths.join(QLatin1Char('\n')));
        }
        finish(0);
        return;
    }
    const ClientDatacoreRegistry& registry = manager_.getClientDatacoreRegistry();
    for (const QString& path : command_.paths) {
        ClientDatacore* datacore = registry.lookupDatacoreFromPath(path);
        if (datacore == nullptr) {
            finish(1, QStringLiteral("%1 has no datacore '%2'").arg(where_, path));
            return;
        }
        follow(path, datacore);
    }
    enterPhase(Phase::awaitingState,
               QStringLiteral("no state from %1 within %2 ms").arg(where_).arg(options_.timeoutMs));
}

void DatacoreSession::follow(const QString& path, ClientDatacore* datacore) {
    if (followed_.count(path) != 0) {
        return;
    }
    Followed* f = &followed_[path];  // map nodes stay put
    f->datacore = datacore;
    connect(datacore, &ClientDatacore::datacoreOutOfSyncWithServer, this,
            [f] { f->inSync = false; });
    connect(datacore, &ClientDatacore::datacoreInSyncWithServer, this, [f] { f->inSync = true; });
    connect(datacore, &ClientDatacore::lostPackets, this, [f](int n) { f->lostPackets += n; });
    connect(datacore, &ClientDatacore::datacoreUpdated, this, [this, path] { onUpdated(path); });
}

void DatacoreSession::onDatacorePacket(const SerialisableDataPacket& packet) {
    DatacorePacket datacorePacket{QLatin1String(DatacorePacket::className)};
    datacorePacket.setJsonObject(packet.getJsonObject());
    const auto found = followed_.find(datacorePacket.getDatacorePath());
    if (found == followed_.end()) {
        return;
    }
    if (phase_ == Phase::awaitingState) {
        found->second.stateArrived = true;
        for (const auto& [path, f] : followed_) {
            if (!f.stateArrived) {
                timeoutMessage_ = QStringLiteral("no state of %1 from %2 within %3 ms")
                                      .arg(path, where_)
                                      .arg(options_.timeoutMs);
                return;
            }
        }
        onStateComplete();
    } else if (phase_ == Phase::awaitingEcho && allInSync()) {
        onChangesSettled();
    }
}

void DatacoreSession::onStateComplete() {
    switch (command_.verb) {
        case DatacoreCommand::Verb::get:
            printStates(false);
            finish(0);
            return;
        case DatacoreCommand::Verb::set:
            // All sent before any answer is awaited.
            for (const Assignment& a : command_.assignments) {
                ClientDatacore* datacore = followed_.at(a.path).datacore;
                if (a.values.size() == 1) {
                    datacore->setDataString(a.values.front());
                } else {
                    datacore->setDataStringList(a.values);
                }
            }
            enterPhase(Phase::awaitingEcho,
                       QStringLiteral("%1 did not confirm the change within %2 ms")
                           .arg(where_)
                           .arg(options_.timeoutMs));
            if (allInSync()) {  // nothing differed from what the server holds
                onChangesSettled();
            }
            return;
        case DatacoreCommand::Verb::watch:
            for (const QString& path : command_.paths) {
                printState(path);
            }
            enterPhase(Phase::watching, QString());
            return;
        case DatacoreCommand::Verb::paths:
            return;
    }
}

void DatacoreSession::onChangesSettled() {
    printStates(true);
    // The server may refuse a change (the status tree is read-only) and
    // answer with the value it keeps: for a script that is a failed set.
    std::map<QString, QStringList> wanted;
    for (const Assignment& a : command_.assignments) {
        wanted[a.path] = a.values;
    }
    QStringList kept;
    for (const QString& path : command_.paths) {
        const DatacoreState state = stateOf(path);
        if (state.data != wanted[path]) {
            kept.append(QStringLiteral("%1 at %2").arg(path, joinValues(state.data)));
        }
    }
    if (kept.isEmpty()) {
        finish(0);
    } else {
        finish(1, QStringLiteral("%1 kept %2").arg(where_, kept.join(", ")));
    }
}

bool DatacoreSession::allInSync() const {
    for (const auto& entry : followed_) {
        if (!entry.second.inSync) {
            return false;
        }
    }
    return true;
}

void DatacoreSession::onUpdated(const QString& path) {
    if (phase_ != Phase::watching) {
        return;  // part of a state still arriving: printed once all are there
    }
    printState(path);
    if (command_.count != 0 && ++updates_ >= command_.count) {
        finish(0);
    }
}

DatacoreState DatacoreSession::stateOf(const QString& path) const {
    const Followed& f = followed_.at(path);
    return readDatacoreState(path, f.datacore, f.inSync, f.lostPackets);
}

void DatacoreSession::printState(const QString& path) {
    const DatacoreState state = stateOf(path);
    printLine(options_.json ? QString::fromUtf8(
                                  QJsonDocument(stateJson(state)).toJson(QJsonDocument::Compact))
                            : stateText(state, false));
}

void DatacoreSession::printStates(bool withLostPackets) {
    QJsonArray all;
    for (const QString& path : command_.paths) {
        const DatacoreState state = stateOf(path);
        if (options_.json) {
            all.append(stateJson(state));
        } else {
            printLine(stateText(state, withLostPackets));
        }
    }
    if (options_.json) {
        printLine(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"datacores", all}}).toJson(QJsonDocument::Compact)));
    }
}

void DatacoreSession::printLine(const QString& line) {
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);  // a watch is read line by line as it happens
}

void DatacoreSession::finish(int exitCode, const QString& error) {
    if (phase_ == Phase::done) {
        return;
    }
    phase_ = Phase::done;
    timer_.stop();
    emit finished(exitCode, error);
}

}  // namespace Corvane::Tools
