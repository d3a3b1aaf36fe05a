// corvane-datacored: serves the four datacore trees of a JSON file to
// datacore clients over TCP, and keeps the changes they make.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "DatacoreServer.h"
#include "ServedDatacoreTrees.h"
#include "app/Logging.h"
#include "common/NumberText.h"

using namespace Corvane;

namespace {

constexpr quint16 defaultPort = 9431;

int fail(const QString& message, int exitCode) {
    std::fprintf(stderr, "corvane-datacored: %s\n", qUtf8Printable(message));
    return exitCode;
}

}  // namespace

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
    p.addHelpOption();
    const QString example = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QStringLiteral("/" CORVANE_DATACORED_EXAMPLE));
    p.addOptions({
        {"port", "TCP port (default 9431; 0 picks a free one, printed on start).", "PORT",
         QString::number(defaultPort)},
        {"listen", "Address to listen on (default 127.0.0.1; 0.0.0.0 for every IPv4 address).",
         "ADDRESS", "127.0.0.1"},
        {"file",
         "The trees in the datacore JSON form (default: the example installed with the "
         "server, " +
             example + ").",
         "FILE", example},
    });
    if (!p.parse(app.arguments())) {
        return fail(p.errorText(), 2);
    }
    if (p.isSet("help") || p.isSet("help-all")) {
        std::fputs(qUtf8Printable(p.helpText()), stdout);
        return 0;
    }
    if (!p.positionalArguments().isEmpty()) {
        return fail(QStringLiteral("unexpected argument '%1' (see --help)")
                        .arg(p.positionalArguments().constFirst()),
                    2);
    }
    const auto port = Tools::parseNumber(p.value("port"));
    if (!port || *port > 65535) {
        return fail(QStringLiteral("--port: '%1' is not a port").arg(p.value("port")), 2);
    }
    QHostAddress address;
    if (!address.setAddress(p.value("listen"))) {
        return fail(QStringLiteral("--listen: '%1' is not an IP address").arg(p.value("listen")),
                    2);
    }

    const QString file = p.value("file");
    QString error;
    const auto trees = ServedDatacoreTrees::fromFile(file, error);
    if (!trees) {
        return fail(QStringLiteral("%1: %2").arg(file, error), 1);
    }
    initLogging(true, defaultLogPath);
    DatacoreServer server(*trees);
    if (!server.listen(address, static_cast<quint16>(*port))) {
        return fail(QStringLiteral("cannot listen on %1: %2")
                        .arg(DatacoreServer::endpointText(address, static_cast<quint16>(*port)),
                             server.errorString()),
                    1);
    }
    std::fprintf(
        stderr, "corvane-datacored: serving %s on %s\n", qUtf8Printable(file),
        qUtf8Printable(DatacoreServer::endpointText(server.serverAddress(), server.serverPort())));
    std::fflush(stderr);
    return app.exec();
}
