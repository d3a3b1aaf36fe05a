// corvane-datacore: lists, reads, changes and follows the datacores of a
// datacore server through the client library, as the instrument's own user
// interface sees them.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "DatacoreCommand.h"
#include "DatacoreSession.h"
#include "client/ServerCommon.h"
#include "common/CommandLine.h"

using namespace Corvane;
using namespace Corvane::Tools;

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 0;
    // Nothing to do about a full pipe: one byte already waiting is enough.
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end a watch in order: the handler only writes to a
// pipe, and the event loop hears it through a notifier.
void routeTerminationSignals(DatacoreSession& session) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw ToolError(QStringLiteral("cannot set up signal handling"));
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &session);
    QObject::connect(notifier, &QSocketNotifier::activated, &session,
                     [&session] { session.interrupt(); });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

DatacoreSession::Options parseOptions(const QCommandLineParser& p) {
    const quint16 port = portOption(p);
    const auto timeout = parseNumber(p.value("timeout"));
    if (!timeout || *timeout == 0 || *timeout > 86400000u) {
        throw ToolError(
            QStringLiteral("--timeout: '%1' is not 1 to 86400000 ms").arg(p.value("timeout")),
            usageStatus);
    }
    return {p.value("host"), port, static_cast<int>(*timeout), p.isSet("json")};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvane-datacore");

    QCommandLineParser p;
    p.setApplicationDescription(
        "Lists, reads, changes and follows the datacores of a Corvane datacore server.\n\n"
        "Commands:\n"
        "  paths                         every datacore path the server announced\n"
        "  get PATH...                   data, validity and activity of each datacore\n"
        "  set PATH=VALUE[,VALUE...]...  change datacores, wait until the server has\n"
        "                                answered, print their state and the packets\n"
        "                                reported lost; fails if the server kept another\n"
        "                                value (the status tree is read-only)\n"
        "  watch PATH... [--count N]     the current state, then a line per update, until\n"
        "                                N updates, SIGINT/SIGTERM or the server goes away\n\n"
        "In values, commas separate entries (several make a list), \\, is a literal comma\n"
        "and \\\\ a backslash; data is printed the same way. Errors go to stderr; the exit\n"
        "status is 1 for a failure (no server, unknown path, timeout, server gone) and 2\n"
        "for a usage error.");
    const QString port = QString::number(ServerCommon::defaultPort);
    p.addOptions({
        {"host", "Server address (default 127.0.0.1).", "HOST", "127.0.0.1"},
        {"port", QStringLiteral("Server port (default %1).").arg(port), "PORT", port},
        {"timeout",
         "Milliseconds to wait for the connection, the path list, the datacores' state and "
         "the server's answer to a change, each (default 5000).",
         "MS", "5000"},
        {"count", "watch: stop after N updates.", "N"},
        {"json", "Print results as JSON."},
    });
    p.addPositionalArgument("command", "paths, get, set or watch, then its arguments.",
                            "COMMAND [ARGS...]");

    if (const auto status = parseArguments(p)) {
        return *status;
    }
    try {
        const DatacoreSession::Options options = parseOptions(p);
        DatacoreCommand command =
            parseCommand(p.positionalArguments(), p.isSet("count") ? p.value("count") : QString());
        const bool watch = command.verb == DatacoreCommand::Verb::watch;

        DatacoreSession session(std::move(command), options);
        if (watch) {
            routeTerminationSignals(session);
        }
        QObject::connect(&session, &DatacoreSession::finished, &app,
                         [](int exitCode, const QString& error) {
                             if (!error.isEmpty()) {
                                 fail(exitCode, error);
                             }
                             QCoreApplication::exit(exitCode);
                         });
        // Inside the loop, so that even an immediate failure ends it.
        QTimer::singleShot(0, &session, &DatacoreSession::start);
        return QCoreApplication::exec();
    } catch (const ToolError& e) {
        return fail(e);
    }
}
