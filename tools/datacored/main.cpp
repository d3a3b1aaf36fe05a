// corvane-datacored: serves the four datacore trees of a JSON file to
// datacore clients over TCP, and keeps the changes they make.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "DatacoreServer.h"
#include "ServedDatacoreTrees.h"
#include "app/Logging.h"
#include "client/ServerCommon.h"
#include "common/CommandLine.h"

using namespace Corvane;
using Tools::fail;
using Tools::usageStatus;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-datacored"));

    QCommandLineParser p;
    p.setApplicationDescription(
        "Serves the configuration, status, command and persistent configuration datacore\n"
        "trees of a JSON file to datacore clients, and keeps the changes they make (the\n"
        "status tree is read-only). Prints \"corvane-datacored: serving FILE on ADDRESS:PORT\"\n"
        "on stderr once it listens, then logs through TQLOG until it is killed.\n\n"
        "Errors go to stderr; the exit status is 1 for a failure (unreadable or malformed\n"
        "file, address in use) and 2 for a usage error.");
    const QString example = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QStringLiteral("/" CORVANE_DATACORED_EXAMPLE));
    p.addOptions({
        {"port",
         QStringLiteral("TCP port (default %1; 0 picks a free one, printed on start).")
             .arg(ServerCommon::defaultPort),
         "PORT", QString::number(ServerCommon::defaultPort)},
        {"listen", "Address to listen on (default 127.0.0.1; 0.0.0.0 for every IPv4 address).",
         "ADDRESS", "127.0.0.1"},
        {"file",
         "The trees in the datacore JSON form (default: the example installed with the "
         "server, " +
             example + ").",
         "FILE", example},
    });
    if (const auto status = Tools::parseArguments(p)) {
        return *status;
    }
    if (!p.positionalArguments().isEmpty()) {
        return fail(usageStatus, QStringLiteral("unexpected argument '%1' (see --help)")
                                     .arg(p.positionalArguments().constFirst()));
    }
    quint16 port = 0;
    try {
        port = Tools::portOption(p, Tools::AnyPort::allowed);
    } catch (const Tools::ToolError& e) {
        return fail(e);
    }
    QHostAddress address;
    if (!address.setAddress(p.value("listen"))) {
        return fail(usageStatus,
                    QStringLiteral("--listen: '%1' is not an IP address").arg(p.value("listen")));
    }

    const QString file = p.value("file");
    QString error;
    const auto trees = ServedDatacoreTrees::fromFile(file, error);
    if (!trees) {
        return fail(Tools::failureStatus, QStringLiteral("%1: %2").arg(file, error));
    }
    initLogging(true, defaultLogPath);
    DatacoreServer server(*trees);
    if (!server.listen(address, port)) {
        return fail(Tools::failureStatus,
                    QStringLiteral("cannot listen on %1: %2")
                        .arg(DatacoreServer::endpointText(address, port), server.errorString()));
    }
    std::fprintf(
        stderr, "corvane-datacored: serving %s on %s\n", qUtf8Printable(file),
        qUtf8Printable(DatacoreServer::endpointText(server.serverAddress(), server.serverPort())));
    std::fflush(stderr);
    return app.exec();
}
