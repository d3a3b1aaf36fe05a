#pragma once

// corvane-datacored serving its example on a free loopback port, for the
// tests and the benchmark of the datacore client. The binary's path comes
// in as the compile definition CORVANE_DATACORED.

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

namespace Corvane::Testing {

class DatacoredProcess {
public:
    // On `port`, or a free one for 0 (a restart takes the port it had).
    explicit DatacoredProcess(quint16 port = 0) {
        // Its log lines are of no interest here, and unread they would fill the
        // pipe and stall it.
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setReadChannel(QProcess::StandardError);
        process_.start(QStringLiteral(CORVANE_DATACORED), {"--port", QString::number(port)});
        // "corvane-datacored: serving FILE on ADDRESS:PORT" once it listens.
        const QRegularExpression serving(QStringLiteral(" on [^ ]+:(\\d+)\\n"));
        QByteArray said;
        while (port_ == 0 && process_.waitForReadyRead(10000)) {
            said += process_.readAllStandardError();
            const auto match = serving.match(QString::fromUtf8(said));
            port_ = match.hasMatch() ? static_cast<quint16>(match.captured(1).toUInt()) : 0;
        }
    }
    ~DatacoredProcess() { kill(); }
    DatacoredProcess(const DatacoredProcess&) = delete;
    DatacoredProcess& operator=(const DatacoredProcess&) = delete;

    // 0 when the server did not come up.
    quint16 port() const { return port_; }
    QString portText() const { return QString::number(port_); }

    void kill() {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace Corvane::Testing
