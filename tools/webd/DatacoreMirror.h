#pragma once

#include <QJsonArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <map>
#include <memory>

#include "client/NetworkConnection.h"
#include "client/TqClientDatacoreManager.h"
#include "common/DatacoreState.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"
#include "packets/SerialisableDataPacketDistributor.h"

class QTcpSocket;

namespace Corvane::Webd {

// The datacores of one server, mirrored through the library's client and
// kept through losses of the server: while there is no connection it tries
// again every second. The mirror is ready once the server has sent the
// state of every datacore it announced.
//
// Besides the manager it listens to the packets itself, after the manager,
// so a packet has been applied when it is looked at.
class DatacoreMirror : public QObject, private SerialisableDataPacketAcceptorInterface {
    Q_OBJECT
public:
    static constexpr int retryIntervalMs = 1000;

    // `readyTimeoutMs`: after the path tree, how long to wait for the state
    // of every datacore before serving what arrived.
    DatacoreMirror(QString host, quint16 port, int readyTimeoutMs, QObject* parent = nullptr);
    ~DatacoreMirror() override;

    void start();

    QString serverText() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }
    bool isConnected() const { return connection_.isConnectedToHost(); }
    bool isReady() const { return ready_; }
    // In the manager's order; empty until the path tree arrived.
    const QStringList& paths() const { return paths_; }
    ClientDatacore* datacore(const QString& path) const;
    Tools::DatacoreState state(const QString& path) const;
    // Lost packets counted since this process started.
    quint64 lostPacketsTotal() const { return lostPacketsTotal_; }
    // Every datacore (whose path is `prefix` or under it; all for an empty
    // prefix) as JSON objects.
    QJsonArray statesJson(const QString& prefix) const;

    static bool isUnder(const QString& path, const QString& prefix) {
        return prefix.isEmpty() || path == prefix || path.startsWith(prefix + QLatin1Char('/'));
    }

signals:
    void ready();
    // A datacore's state arrived from the server while ready.
    void datacoreChanged(const QString& path);
    void connectionLost();

private:
    struct Followed {
        QPointer<ClientDatacore> datacore;
        bool stateArrived = false;
        bool inSync = true;
        int lostPackets = 0;
    };

    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;

    void attempt();
    void onConnected();
    void onDisconnected();
    void becomeReady();

    QString host_;
    quint16 port_;
    int readyTimeoutMs_;
    NetworkConnection connection_;
    SerialisableDataPacketDistributor distributor_;
    std::unique_ptr<TqClientDatacoreManager> manager_;
    QTimer retry_;
    QTimer readyTimer_;
    std::unique_ptr<QTcpSocket> attempt_;  // until the connection adopts it
    QStringList paths_;
    std::map<QString, Followed> followed_;
    int statesMissing_ = 0;
    bool ready_ = false;
    quint64 lostPacketsTotal_ = 0;
};

}  // namespace Corvane::Webd
