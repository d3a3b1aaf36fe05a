// corvane-webd against the real datacore server: GETs of one datacore from
// 8 keep-alive clients against libmicrohttpd answering a fixed body of the
// same size in this process; how long one datacore change takes to reach 64
// event streams, from its frame's send to the datacore server (so the
// server's own work is included); webd's peak RSS with the 64 streams.
//
// Times are wall-clock: the servers are other processes.

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "packets/DatacorePacket.h"
#include "support/BenchReport.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace Corvane;

const QString changed = QStringLiteral("configCoreRouter/generator/standard");
const std::string target = "/api/v1/datacores/" + changed.toStdString();

// A program of this build kept running; its port from its "serving" line.
struct Program {
    QProcess process;
    quint16 port = 0;
    Program(const QString& path, const QStringList& args) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setReadChannel(QProcess::StandardError);
        process.start(path, args);
        const QRegularExpression ready(QStringLiteral(" on [^ ]+:(\\d+)\\n"));
        QByteArray said;
        while (port == 0 && process.waitForReadyRead(10000)) {
            said += process.readAll();
            port = ready.match(QString::fromUtf8(said)).captured(1).toUShort();
        }
        process.closeReadChannel(QProcess::StandardError);
    }
    ~Program() {
        process.kill();
        process.waitForFinished();
    }
};

int connectTo(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// One keep-alive GET answered; false when the connection failed.
bool getOnce(int fd, const std::string& request, std::string& buffer) {
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        return false;
    }
    for (;;) {
        const auto end = buffer.find("\r\n\r\n");
        if (end != std::string::npos) {
            const auto at = buffer.find("Content-Length: ");
            const std::size_t length = at < end ? std::stoul(buffer.substr(at + 16)) : 0;
            if (buffer.size() >= end + 4 + length) {
                buffer.erase(0, end + 4 + length);
                return true;
            }
        }
        char chunk[16384];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

// Requests per second of `clients` keep-alive connections for `seconds`.
double getRate(quint16 port, int clients, double seconds) {
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: bench\r\n\r\n";
    std::atomic<long> answered{0};
    std::vector<std::thread> threads;
    const auto stop = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(seconds));
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&] {
            const int fd = connectTo(port);
            std::string buffer;
            long n = 0;
            while (fd >= 0 && Clock::now() < stop && getOnce(fd, request, buffer)) {
                ++n;
            }
            answered += n;
            if (fd >= 0) {
                ::close(fd);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    return static_cast<double>(answered) / seconds;
}

// The baseline: libmicrohttpd on its own thread answering `body` to
// everything, with the headers webd sends.
struct FixedServer {
    std::string body;
    MHD_Daemon* daemon = nullptr;
    explicit FixedServer(std::string text) : body(std::move(text)) {
        daemon = MHD_start_daemon(
            MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, nullptr, nullptr,
            [](void* cls, MHD_Connection* c, const char*, const char*, const char*, const char*,
               size_t*, void** context) -> MHD_Result {
                // Answered on the second call, once the request is complete,
                // as webd does: answered on the first, MHD closes after it.
                static int started = 0;
                if (*context == nullptr) {
                    *context = &started;
                    return MHD_YES;
                }
                const auto* self = static_cast<FixedServer*>(cls);
                MHD_Response* r = MHD_create_response_from_buffer(
                    self->body.size(), const_cast<char*>(self->body.data()),
                    MHD_RESPMEM_PERSISTENT);
                MHD_add_response_header(r, "Content-Type", "application/json");
                MHD_add_response_header(r, "Access-Control-Allow-Origin", "*");
                const MHD_Result q = MHD_queue_response(c, 200, r);
                MHD_destroy_response(r);
                return q;
            },
            this, MHD_OPTION_END);
    }
    ~FixedServer() { MHD_stop_daemon(daemon); }
    quint16 port() const { return MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT)->port; }
};

QByteArray changeFrame(const QString& value) {
    QByteArray frame;
    QBuffer device(&frame);
    device.open(QIODevice::WriteOnly);
    DatacorePacket(QStringLiteral("bench"), 0,
                   {{changed.section(QLatin1Char('/'), -1), QJsonObject{{"data", value}}}}, changed)
        .serialisePacketAndWriteToDevice(device);
    return frame;
}

void drain(int fd) {
    char chunk[65536];
    while (::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT) > 0) {
    }
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<std::size_t>(p * (values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--short"));
    if (app.arguments().contains(QStringLiteral("--help"))) {
        std::printf(
            "usage: webd_bench [--short]\ncorvane-webd against corvane-datacored; one BENCH| row "
            "per figure.\n");
        return 0;
    }
    Program datacored(QStringLiteral(CORVANE_DATACORED), {"--port", "0"});
    Program webd(QStringLiteral(CORVANE_WEBD),
                 {"--port", "0", "--datacore", QStringLiteral("127.0.0.1:%1").arg(datacored.port)});
    if (datacored.port == 0 || webd.port == 0) {
        std::fprintf(stderr, "webd_bench: the servers did not start\n");
        return 1;
    }
    // Until the datacores have arrived.
    std::string one;
    for (int i = 0; i < 100; ++i) {
        const int fd = connectTo(webd.port);
        std::string buffer;
        const std::string request =
            "GET " + target + " HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char chunk[4096];
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;) {
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        ::close(fd);
        if (buffer.rfind("HTTP/1.1 200", 0) == 0) {
            one = buffer.substr(buffer.find("\r\n\r\n") + 4);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    const double seconds = quick ? 0.5 : 3.0;
    FixedServer fixed(one);
    const double baseline = getRate(fixed.port(), 8, seconds);
    const double rate = getRate(webd.port, 8, seconds);
    const Bench::Goal half{Bench::Goal::ratioAtLeast, 0.5};
    Bench::printRow(
        "corvane-webd GET of one datacore, 8 keep-alive clients " + Bench::formatRate(rate),
        "libmicrohttpd fixed body " + Bench::formatRate(baseline), rate / baseline, half,
        half.met(rate / baseline, 0));

    // 64 streams, each waiting for the change's value.
    constexpr int streams = 64;
    std::vector<pollfd> fds;
    std::vector<std::string> seen(streams);
    for (int i = 0; i < streams; ++i) {
        const int fd = connectTo(webd.port);
        const std::string request =
            "GET /api/v1/events?prefix=" + changed.toStdString() + " HTTP/1.1\r\nHost: b\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        fds.push_back({fd, POLLIN, 0});
    }
    const int changer = connectTo(datacored.port);
    std::vector<double> latencies;
    const int changes = quick ? 20 : 300;
    for (int c = 0; c < changes; ++c) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        drain(changer);
        for (auto& f : fds) {  // what came before this change
            char chunk[65536];
            while (::recv(f.fd, chunk, sizeof chunk, MSG_DONTWAIT) > 0) {
            }
        }
        const std::string value = "bench-" + std::to_string(c);
        const QByteArray frame = changeFrame(QString::fromStdString(value));
        const std::string wanted = "\"" + value + "\"";
        std::fill(seen.begin(), seen.end(), std::string());
        const auto t0 = Clock::now();
        ::send(changer, frame.constData(), static_cast<size_t>(frame.size()), MSG_NOSIGNAL);
        int arrived = 0;
        std::vector<bool> done(streams, false);
        while (arrived < streams && Clock::now() - t0 < std::chrono::seconds(5)) {
            ::poll(fds.data(), fds.size(), 100);
            const auto now = Clock::now();
            for (int i = 0; i < streams; ++i) {
                if (done[static_cast<std::size_t>(i)] ||
                    !(fds[static_cast<std::size_t>(i)].revents & POLLIN)) {
                    continue;
                }
                char chunk[65536];
                const ssize_t n =
                    ::recv(fds[static_cast<std::size_t>(i)].fd, chunk, sizeof chunk, MSG_DONTWAIT);
                if (n > 0) {
                    seen[static_cast<std::size_t>(i)].append(chunk, static_cast<std::size_t>(n));
                }
                if (seen[static_cast<std::size_t>(i)].find(wanted) != std::string::npos) {
                    done[static_cast<std::size_t>(i)] = true;
                    ++arrived;
                    latencies.push_back(std::chrono::duration<double>(now - t0).count());
                }
            }
        }
    }
    const double p50 = percentile(latencies, 0.5);
    const double p99 = percentile(latencies, 0.99);
    const Bench::Goal tenMs{Bench::Goal::secondsBelow, 0.010};
    Bench::printRow("one change to 64 event streams p50 " + Bench::formatSeconds(p50) + " (" +
                        std::to_string(latencies.size()) + " arrivals of " +
                        std::to_string(changes * streams) + ")",
                    "-", 1, Bench::Goal{}, std::nullopt);
    Bench::printRow("one change to 64 event streams p99 " + Bench::formatSeconds(p99), "-", 1,
                    tenMs, tenMs.met(1, p99));
    const auto [peak, now] = Bench::residentKb(static_cast<pid_t>(webd.process.processId()));
    const Bench::Goal fortyMb{Bench::Goal::none, 0};
    Bench::printRow("corvane-webd peak RSS with 64 streams " + std::to_string(peak / 1024) +
                        " MB (now " + std::to_string(now / 1024) + " MB), goal <= 40 MB",
                    "-", 1, fortyMb, peak <= 40 * 1024);
    for (auto& f : fds) {
        ::close(f.fd);
    }
    ::close(changer);
    return 0;
}
