// corvane-webd's request handling fed one raw HTTP request per input
// (method, target, headers, body, as libmicrohttpd parses them) over a
// loopback socket, with the example's datacores mirrored from an
// in-process datacore server, so PUTs, streams and lookups all run.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <memory>

#include "DatacoreMirror.h"
#include "DatacoreServer.h"
#include "FuzzSupport.h"
#include "HttpServer.h"
#include "WebApi.h"

namespace {

using namespace Corvane;

struct World {
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<ServedDatacoreTrees> trees;
    std::unique_ptr<DatacoreServer> datacored;
    std::unique_ptr<Webd::DatacoreMirror> mirror;
    std::unique_ptr<Webd::WebApi> api;
    std::unique_ptr<Webd::HttpServer> http;
};

World* world = nullptr;

void pump(int ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    Fuzz::answerHelp(*argc, *argv,
                     "Feeds corvane-webd one raw HTTP request per input, answered with the "
                     "example's datacores.");
    spdlog::create<spdlog::sinks::null_sink_mt>("TQLOG");
    world = new World;
    static int qtArgc = 1;
    static char name[] = "webd_request_fuzz";
    static char* qtArgv[] = {name, nullptr};
    world->app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    QString error;
    world->trees = ServedDatacoreTrees::fromFile(QStringLiteral(CORVANE_DATACORED_EXAMPLE), error);
    if (!world->trees) {
        Fuzz::fail(error.toStdString().c_str());
    }
    world->datacored = std::make_unique<DatacoreServer>(*world->trees);
    if (!world->datacored->listen(QHostAddress::LocalHost, 0)) {
        Fuzz::fail("the datacore server cannot listen");
    }
    world->mirror = std::make_unique<Webd::DatacoreMirror>(QStringLiteral("127.0.0.1"),
                                                           world->datacored->serverPort(), 1000);
    Webd::WebApi::Options options;
    options.timeoutMs = 200;
    world->api = std::make_unique<Webd::WebApi>(*world->mirror, options);
    world->http = std::make_unique<Webd::HttpServer>(
        [](const Webd::HttpRequest& request, Webd::HttpReply reply) {
            world->api->handle(request, std::move(reply));
        },
        Webd::HttpServer::Limits{});
    if (!world->http->listen(QHostAddress::LocalHost, 0, error)) {
        Fuzz::fail(error.toStdString().c_str());
    }
    world->mirror->start();
    for (QDeadlineTimer ready(5000); !world->mirror->isReady() && !ready.hasExpired();) {
        pump(10);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 128 * 1024) {
        return 0;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(world->http->port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    size_t sent = 0;
    bool halfClosed = false;
    char buffer[16384];
    // Until the server closes, or 2 s: written while it reads, then the
    // write side shut so that an unfinished request ends too.
    for (QDeadlineTimer deadline(2000); !deadline.hasExpired();) {
        pump(1);
        if (sent < size) {
            const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            }
        } else if (!halfClosed) {
            ::shutdown(fd, SHUT_WR);
            halfClosed = true;
        }
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
            break;
        }
    }
    ::close(fd);
    pump(1);
    return 0;
}
