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
#include "common/CommandLine.h"
#include "common/NumberText.h"

using namespace Corvane;
using Corvane::Tools::fail;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-webd"));

    QCommandLineParser p;
    p.setApplicationDescription(
        "Serves the instrument over HTTP: the datacores of a datacore server (read, changed,\n"
        "followed as Server-Sent Events), the SDI inputs, health sensors and versions as JSON,\n"
        "and Prometheus metrics on /metrics. Prints \"corvane-webd: serving on ADDRESS:PORT\"\n"
        "on stderr once it listens.");
    p.addOptions({
        {"datacore", "The datacore server (default 127.0.0.1:9431).", "HOST:PORT",
         "127.0.0.1:9431"},
        {"listen", "Address to listen on (default 127.0.0.1).", "ADDRESS", "127.0.0.1"},
        {"port", "HTTP port (default 9480; 0 picks a free one).", "PORT", "9480"},
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
    if (!p.positionalArguments().isEmpty()) {
        return fail(2, QStringLiteral("no arguments expected (see --help)"));
    }
    const QString datacore = p.value("datacore");
    const int colon = datacore.lastIndexOf(QLatin1Char(':'));
    const auto datacorePort = Tools::parseNumber(datacore.mid(colon + 1));
    if (colon <= 0 || !datacorePort || *datacorePort == 0 || *datacorePort > 65535) {
        return fail(2, QStringLiteral("--datacore: '%1' is not HOST:PORT").arg(datacore));
    }
    const QHostAddress listen(p.value("listen"));
    if (listen.isNull()) {
        return fail(2,
                    QStringLiteral("--listen: '%1' is not an IP address").arg(p.value("listen")));
    }
    const auto port = Tools::parseNumber(p.value("port"));
    if (!port || *port > 65535) {
        return fail(2, QStringLiteral("--port: '%1' is not a port").arg(p.value("port")));
    }
    const auto timeout = Tools::parseNumber(p.value("timeout"));
    if (!timeout || *timeout == 0 || *timeout > 86400000u) {
        return fail(
            2, QStringLiteral("--timeout: '%1' is not 1 to 86400000 ms").arg(p.value("timeout")));
    }
    Webd::WebApi::Options options;
    options.allowOrigin = p.value("allow-origin").toUtf8();
    options.timeoutMs = static_cast<int>(*timeout);
    if (p.isSet("token-file")) {
        QFile file(p.value("token-file"));
        if (file.size() > 4096 || !file.open(QIODevice::ReadOnly)) {
            return fail(1, QStringLiteral("--token-file: cannot read '%1'").arg(file.fileName()));
        }
        options.token = file.readAll().trimmed();
        if (options.token->isEmpty()) {
            return fail(1,
                        QStringLiteral("--token-file: '%1' holds no token").arg(file.fileName()));
        }
    }

    // The library (datacore client, sensors, versions) logs through TQLOG.
    spdlog::stderr_logger_mt("TQLOG")->set_pattern("corvane-webd: %v");

    Webd::DatacoreMirror mirror(datacore.left(colon), static_cast<quint16>(*datacorePort),
                                options.timeoutMs);
    Webd::WebApi api(mirror, options);
    Webd::HttpServer::Limits limits;
    limits.bodyBytes = options.bodyBytes;
    const Webd::StaticFiles page;
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
    if (!server.listen(listen, static_cast<quint16>(*port), error)) {
        return fail(1, error);
    }
    mirror.start();
    std::fprintf(stderr, "corvane-webd: serving on %s:%u\n", qUtf8Printable(listen.toString()),
                 server.port());
    std::fflush(stderr);
    return app.exec();
}
