#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>

#include "DatacoreCommand.h"
#include "client/NetworkConnection.h"
#include "client/TqClientDatacoreManager.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"
#include "packets/SerialisableDataPacketDistributor.h"

class QTcpSocket;

namespace Corvane {
class ClientDatacore;
}

namespace Corvane::Tools {

// One run of corvane-datacore: connects, waits for the server's datacore
// paths, then for the state of the datacores named, and does what the
// command asks with them, all driven by the event loop. The end (success or
// the one-line reason for failing) is reported through finished().
//
// Besides the manager it listens to the path tree and datacore packets
// itself: registered after the manager, it sees each packet once the
// manager's populator has applied it, so "the state has arrived" and "back
// in sync" are judged on complete datacores.
class DatacoreSession : public QObject, private SerialisableDataPacketAcceptorInterface {
    Q_OBJECT
public:
    struct Options {
        QString host;
        quint16 port = 0;
        int timeoutMs = 0;  // connect, path tree, state, echo: each
        bool json = false;
    };

    DatacoreSession(DatacoreCommand command, Options options);
    ~DatacoreSession() override;

    void start();
    // SIGINT or SIGTERM: the natural end of a watch.
    void interrupt();

signals:
    // exitCode 0 with an empty error, or 1 with the reason.
    void finished(int exitCode, const QString& error);

private:
    enum class Phase { connecting, awaitingPaths, awaitingState, awaitingEcho, watching, done };

    // What is followed of each datacore the command names.
    struct Followed {
        QPointer<ClientDatacore> datacore;
        bool stateArrived = false;
        bool inSync = true;
        int lostPackets = 0;
    };

    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;

    void enterPhase(Phase phase, const QString& timeoutMessage);
    void onConnected();
    void onPathTree(const SerialisableDataPacket& packet);
    void onDatacorePacket(const SerialisableDataPacket& packet);
    void follow(const QString& path, ClientDatacore* datacore);
    void onStateComplete();
    // set: every change answered; fails when the server kept another value.
    void onChangesSettled();
    bool allInSync() const;
    void onUpdated(const QString& path);

    DatacoreState stateOf(const QString& path) const;
    // One line of a watch: text or a JSON object.
    void printState(const QString& path);
    // get and set: every named datacore, as lines of text or one JSON object.
    void printStates(bool withLostPackets);
    void printLine(const QString& line);
    void finish(int exitCode, const QString& error = QString());

    DatacoreCommand command_;
    Options options_;
    QString where_;
    Phase phase_ = Phase::connecting;
    QTimer timer_;
    QString timeoutMessage_;
    std::unique_ptr<QTcpSocket> socket_;  // until the connection adopts it
    NetworkConnection connection_;
    SerialisableDataPacketDistributor distributor_;
    TqClientDatacoreManager manager_;
    std::map<QString, Followed> followed_;
    quint32 updates_ = 0;
};

}  // namespace Corvane::Tools
