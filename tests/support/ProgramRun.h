#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

namespace Corvane::Testing {

// A finished run of one of the command-line tools.
struct ProgramRun {
    int exitCode = -1;  // -1 when it crashed or did not finish
    std::string out;
    std::string err;
};

// Runs `program` to its end, 30 s at most. It inherits this process's
// environment, so Qt programs run offscreen as the tests do.
inline ProgramRun runProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ProgramRun run;
    if (!p.waitForFinished(30000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput().toStdString();
    run.err = p.readAllStandardError().toStdString();
    return run;
}

}  // namespace Corvane::Testing
