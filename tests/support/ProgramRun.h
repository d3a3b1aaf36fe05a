#pragma once

// The one way the tests run the project's programs: to their end with
// runProgram, or kept running (a server) with RunningProgram.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>

namespace Corvane::Testing {

// Whether this build's programs run here through an emulator:
// $CORVANE_EMULATOR, set by the armhf build's qemu-arm wrapper
// (cmake/toolchains/qemu-armhf.sh), which runs other programs unchanged.
inline QString emulator() {
    return qEnvironmentVariable("CORVANE_EMULATOR");
}

// Why a host program (mtd-utils, coreutils' head) is not run on an emulated
// test's simulated board when it opens a device whose ioctls the board
// answers: umockdev passes them over a socket in the word size of each
// side, and the host's differs from the emulated machine's.
inline constexpr const char* hostProgramOnEmulatedBoard =
    "a host program cannot use the ioctl devices of an emulated simulated board";

// Why the emulated build's sensors are not read: Debian's armhf libsensors
// reads directories (/etc/sensors.d, sysfs) without large-file support, and
// under qemu-user the 64-bit kernel gives it ext4's 64-bit directory
// offsets, which it cannot hold.
inline constexpr const char* sensorsUnderEmulation =
    "the emulated armhf libsensors gets EOVERFLOW reading this machine's directories";

// Starts `program` in `process`, through the emulator when there is one.
inline void startProgram(QProcess& process, const QString& program, const QStringList& args) {
    const QString e = emulator();
    if (e.isEmpty()) {
        process.start(program, args);
    } else {
        process.start(e, QStringList{program} + args);
    }
}

// A finished run of one of the command-line tools.
struct ProgramRun {
    std::string name;   // the program's file name
    int exitCode = -1;  // -1 when it crashed or did not finish
    std::string out;
    std::string err;
};

// Runs `program` to its end, 30 s at most, with this thread's event loop
// going, so that a server or relay in this process keeps serving. It
// inherits this process's environment, so Qt programs run offscreen as the
// tests do. `onFirstLine` runs once the program has printed a line.
inline ProgramRun runProgram(const QString& program, const QStringList& args,
                             const std::function<void(QProcess&)>& onFirstLine = {}) {
    QProcess p;
    QEventLoop loop;
    QObject::connect(&p, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    // A program that cannot start never finishes.
    QObject::connect(&p, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            loop.quit();
        }
    });
    bool seen = false;
    if (onFirstLine) {
        QObject::connect(&p, &QProcess::readyReadStandardOutput, &loop, [&] {
            if (!seen && p.canReadLine()) {
                seen = true;
                onFirstLine(p);
            }
        });
    }
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    startProgram(p, program, args);
    loop.exec();
    ProgramRun run;
    run.name = QFileInfo(program).fileName().toStdString();
    if (p.state() != QProcess::NotRunning || p.error() == QProcess::FailedToStart) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                      << " did not run to its end";
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput().toStdString();
    run.err = p.readAllStandardError().toStdString();
    return run;
}

// The exit code, and `text` in what the run printed: stdout on success,
// stderr otherwise.
inline void expectRun(const ProgramRun& run, int exitCode, const std::string& text) {
    const std::string& said = exitCode == 0 ? run.out : run.err;
    EXPECT_EQ(run.exitCode, exitCode) << run.err;
    EXPECT_NE(said.find(text), std::string::npos) << said;
}

// The same for a command-line tool, whose failure is a single stderr line
// naming it. (Not for the GUI programs: Qt's own warnings share stderr.)
inline void expectToolRun(const ProgramRun& run, int exitCode, const std::string& text) {
    expectRun(run, exitCode, text);
    if (exitCode != 0) {
        EXPECT_EQ(run.err.rfind(run.name + ": ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

// A program kept running, such as a server, until it is destroyed (killed
// then). It counts as ready once `ready` matches what it printed on
// `channel`; the other channel is discarded, so an unread pipe cannot stall
// it.
class RunningProgram {
public:
    RunningProgram(const QString& program, const QStringList& args, const QRegularExpression& ready,
                   QProcess::ProcessChannel channel = QProcess::StandardError) {
        if (channel == QProcess::StandardError) {
            process_.setStandardOutputFile(QProcess::nullDevice());
        } else {
            process_.setStandardErrorFile(QProcess::nullDevice());
        }
        process_.setReadChannel(channel);
        startProgram(process_, program, args);
        while (!match_.hasMatch() && process_.waitForReadyRead(10000)) {
            said_ += process_.readAll();
            match_ = ready.match(QString::fromUtf8(said_));
        }
    }
    ~RunningProgram() { kill(); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool ready() const { return match_.hasMatch(); }
    // Group `n` of the ready match; empty when it never became ready.
    QString captured(int n = 1) const { return match_.captured(n); }
    // What it printed on the watched channel until it was ready.
    const QByteArray& said() const { return said_; }
    qint64 pid() const { return process_.processId(); }

    // SIGTERM, then its exit code once it ended (-1: crashed or still running).
    int terminate() {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            return -1;
        }
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    void kill() {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    QByteArray said_;
    QRegularExpressionMatch match_;
};

}  // namespace Corvane::Testing
