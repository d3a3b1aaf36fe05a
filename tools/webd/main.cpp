// corvane-webd: the instrument's HTTP API, live events and metrics, over a
// datacore server mirrored through the client library.

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <cstdio>

#include "DatacoreMirror.h"
#include "HttpServer.h"
#include "StaticFiles.h"
#include "WebApi.h"
#include "client/ServerCommon.h"
#include "common/CommandLine.h"
#include "common/NumberText.h"

using namespace Corvane;
using Corvane::Tools::fail;
using Corvane::Tools::ToolError;
using Corvane::Tools::usageStatus;

namespace {

constexpr quint16 defaultWebPort = 9480;  // where corvane-webd listens by default

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-webd"));

    QCommandLineParser p;
    p.setApplicationDescription(
        "Serves the instrument over HTTP: the datacores of a datacore server (read, changed,\n"
        "followed as Server-Sent Events), the SDI inputs, health sensors and versions as JSON,\n"
        "and Prometheus metrics on /metrics. Prints \"corvane-webd: serving on ADDRESS:PORT\"\n"
        "on stderr once it listens.");
    const QString datacoreDefault = QStringLiteral("127.0.0.1:%1").arg(ServerCommon::defaultPort);
    p.addOptions({
        {"datacore", QStringLiteral("The datacore server (default %1).").arg(datacoreDefault),
         "HOST:PORT", datacoreDefault},
        {"listen", "Address to listen on (default 127.0.0.1).", "ADDRESS", "127.0.0.1"},
        {"port", QStringLiteral("HTTP port (default %1; 0 picks a free one).").arg(defaultWebPort),
         "PORT", QString::number(defaultWebPort)},
        {"allow-origin", "Access-Control-Allow-Origin of every answer (default *).", "ORIGIN", "*"},
        {"timeout", "How long a PUT waits for the server, in ms (default 5000).", "MS", "5000"},
        {"token-file",
         "A PUT then needs 'Authorization: Bearer' with the file's token; "
         "without it only loopback clients may PUT.",
         "FILE"},
    });
    if (const auto status = Tools::parseArguments(p)) {
        return *status;
    }
    QString datacoreHost;
    quint16 datacorePort = 0;
    QHostAddress listen;
    quint16 port = 0;
    Webd::WebApi::Options options;
    try {
        if (!p.positionalArguments().isEmpty()) {
            throw ToolError(QStringLiteral("no arguments expected (see --help)"), usageStatus);
        }
        const QString datacore = p.value("datacore");
        const int colon = datacore.lastIndexOf(QLatin1Char(':'));
        const auto number = Tools::parseNumber(datacore.mid(colon + 1));
        if (colon <= 0 || !number || *number == 0 || *number > 65535) {
            throw ToolError(QStringLiteral("--datacore: '%1' is not HOST:PORT").arg(datacore),
                            usageStatus);
        }
        datacoreHost = datacore.left(colon);
        datacorePort = static_cast<quint16>(*number);
        listen = QHostAddress(p.value("listen"));
        if (listen.isNull()) {
            throw ToolError(
                QStringLiteral("--listen: '%1' is not an IP address").arg(p.value("listen")),
                usageStatus);
        }
        port = Tools::portOption(p, Tools::AnyPort::allowed);
        const auto timeout = Tools::parseNumber(p.value("timeout"));
        if (!timeout || *timeout == 0 || *timeout > 86400000u) {
            throw ToolError(
                QStringLiteral("--timeout: '%1' is not 1 to 86400000 ms").arg(p.value("timeout")),
                usageStatus);
        }
        options.allowOrigin = p.value("allow-origin").toUtf8();
        options.timeoutMs = static_cast<int>(*timeout);
        if (p.isSet("token-file")) {
            QFile file(p.value("token-file"));
            if (file.size() > 4096 || !file.open(QIODevice::ReadOnly)) {
                throw ToolError(
                    QStringLiteral("--token-file: cannot read '%1'").arg(file.fileName()));
            }
            options.token = file.readAll().trimmed();
            if (options.token->isEmpty()) {
                throw ToolError(
                    QStringLiteral("--token-file: '%1' holds no token").arg(file.fileName()));
            }
        }
    } catch (const ToolError& e) {
        return fail(e);
    }

    // The library (datacore client, sensors, versions) logs through TQLOG.
    spdlog::stderr_logger_mt("TQLOG")->set_pattern("corvane-webd: %v");

    Webd::DatacoreMirror mirror(datacoreHost, datacorePort, options.timeoutMs);
    Webd::WebApi api(mirror, options);
    Webd::HttpServer::Limits limits;
    limits.bodyBytes = options.bodyBytes;
    const Webd::StaticFiles page(options.allowOrigin);
    Webd::HttpServer server(
        [&api, &page](const Webd::HttpRequest& request, Webd::HttpReply reply) {
            if (auto file = page.answer(request)) {
                reply.answer(std::move(*file));
                return;
            }
            api.handle(request, std::move(reply));
        },
        limits);
    QString error;
    if (!server.listen(listen, port, error)) {
        return fail(Tools::failureStatus, error);
    }
    mirror.start();
    std::fprintf(stderr, "corvane-webd: serving on %s:%u\n", qUtf8Printable(listen.toString()),
                 server.port());
    std::fflush(stderr);
    return app.exec();
}
