#pragma once

// corvane-datacored serving its example on a free loopback port, for the
// tests and the benchmark of the datacore client. The binary's path comes
// in as the compile definition CORVANE_DATACORED.

#include <QString>

#include "../support/ProgramRun.h"

namespace Corvane::Testing {

class DatacoredProcess {
public:
    // On `port`, or a free one for 0 (a restart takes the port it had).
    // "corvane-datacored: serving FILE on ADDRESS:PORT" once it listens.
    explicit DatacoredProcess(quint16 port = 0)
        : server_(QStringLiteral(CORVANE_DATACORED), {"--port", QString::number(port)},
                  QRegularExpression(QStringLiteral(" on [^ ]+:(\\d+)\\n"))) {}

    // 0 when the server did not come up.
    quint16 port() const { return server_.captured().toUShort(); }
    QString portText() const { return QString::number(port()); }
    qint64 pid() const { return server_.pid(); }
    void kill() { server_.kill(); }

private:
    RunningProgram server_;
};

}  // namespace Corvane::Testing
