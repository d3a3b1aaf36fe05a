#include "HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <sys/socket.h>

#include <spdlog/spdlog.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace Corvane::Webd {

struct StreamState {
    HttpServer* server = nullptr;
    MHD_Connection* connection = nullptr;
    QByteArray pending;
    qsizetype offset = 0;  // of the first unsent byte in `pending`
    qsizetype limit = 0;
    bool closed = false;  // by the application, or for too much unsent
    bool gone = false;    // the connection has ended
    bool suspended = false;
    // While suspended MHD does not look at the socket: this does, so a
    // client that leaves frees its stream at once.
    std::unique_ptr<QSocketNotifier> watcher;

    void suspend() {
        MHD_suspend_connection(connection);
        suspended = true;
        if (watcher) {
            watcher->setEnabled(true);
        }
    }
    void resume() {
        if (suspended && !gone) {
            suspended = false;
            if (watcher) {
                watcher->setEnabled(false);
            }
            MHD_resume_connection(connection);
            server->wake();
        }
    }
    // The client closed, or sent something a stream does not expect.
    void onReadable() {
        char byte = 0;
        const ssize_t n =
            ::recv(static_cast<int>(watcher->socket()), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        closed = true;
        resume();
    }
    void forget() {
        gone = true;
        if (watcher) {
            watcher->setEnabled(false);
            watcher.release()->deleteLater();
        }
    }
};

struct Exchange {
    MHD_Connection* connection = nullptr;
    HttpRequest request;
    bool headersRead = false;
    bool dispatched = false;
    bool suspended = false;
    bool queued = false;
    bool gone = false;
    std::optional<HttpResponse> response;
    std::shared_ptr<StreamState> stream;  // with `response`: its head
};

QByteArray HttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

bool HttpStream::isOpen() const {
    return !state_->closed && !state_->gone;
}

void HttpStream::send(const QByteArray& bytes) {
    if (!isOpen()) {
        return;
    }
    // A client that does not read must not make this process grow: once what
    // it left unsent has passed the limit, the stream is closed. Checked
    // before adding, so one message larger than the limit (the first sync of a
    // big tree) still goes out; what is held stays below limit + one message.
    if (state_->pending.size() - state_->offset > state_->limit) {
        state_->closed = true;
        state_->pending.clear();
        state_->offset = 0;
    } else {
        state_->pending.append(bytes);
    }
    state_->resume();
}

void HttpStream::close() {
    state_->closed = true;
    state_->resume();
}

void HttpReply::answer(HttpResponse response) {
    const auto exchange = exchange_.lock();
    if (!exchange || exchange->gone || exchange->response) {
        return;
    }
    exchange->response = std::move(response);
    if (exchange->suspended) {
        exchange->suspended = false;
        MHD_resume_connection(exchange->connection);
        server_->wake();
    }
}

std::shared_ptr<HttpStream> HttpReply::openStream(HttpResponse head) {
    auto state = std::make_shared<StreamState>();
    state->server = server_;
    state->limit = server_->limits().unsentStreamBytes;
    const auto exchange = exchange_.lock();
    if (!exchange || exchange->gone || exchange->response) {
        state->gone = true;
    } else {
        state->connection = exchange->connection;
        if (const MHD_ConnectionInfo* info =
                MHD_get_connection_info(state->connection, MHD_CONNECTION_INFO_CONNECTION_FD)) {
            state->watcher =
                std::make_unique<QSocketNotifier>(info->connect_fd, QSocketNotifier::Read);
            state->watcher->setEnabled(false);
            StreamState* raw = state.get();  // the watcher dies with the state
            QObject::connect(state->watcher.get(), &QSocketNotifier::activated,
                             [raw] { raw->onReadable(); });
        }
        exchange->stream = state;
        answer(std::move(head));
    }
    return std::make_shared<HttpStream>(state);
}

// The C callbacks: MHD's per-request pointer holds a std::shared_ptr<Exchange>
// on the heap, made when the request line arrives and freed when it ends.
struct Callbacks {
    using Holder = std::shared_ptr<Exchange>;

    static void* uriLog(void*, const char* uri, MHD_Connection*) {
        auto* holder = new Holder(std::make_shared<Exchange>());
        (*holder)->request.target = QByteArray(uri);
        return holder;
    }

    static void completed(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
        auto* holder = static_cast<Holder*>(*context);
        if (holder == nullptr) {
            return;
        }
        (*holder)->gone = true;
        if ((*holder)->stream) {
            (*holder)->stream->forget();
        }
        delete holder;
        *context = nullptr;
    }

    static MHD_Result collectHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
        auto* headers = static_cast<HeaderList*>(cls);
        headers->emplace_back(QByteArray(key).toLower(), QByteArray(value ? value : ""));
        return MHD_YES;
    }

    static ssize_t readStream(void* cls, uint64_t, char* buffer, size_t max) {
        StreamState& s = **static_cast<std::shared_ptr<StreamState>*>(cls);
        if (s.closed) {
            return MHD_CONTENT_READER_END_WITH_ERROR;
        }
        if (s.offset == s.pending.size()) {
            s.pending.clear();
            s.offset = 0;
            // Nothing to send: out of MHD's loop until the next event.
            s.suspend();
            return 0;
        }
        const auto n =
            std::min<qsizetype>(static_cast<qsizetype>(max), s.pending.size() - s.offset);
        std::memcpy(buffer, s.pending.constData() + s.offset, static_cast<size_t>(n));
        s.offset += n;
        if (s.offset > 64 * 1024 && s.offset * 2 > s.pending.size()) {
            s.pending.remove(0, static_cast<int>(s.offset));
            s.offset = 0;
        }
        return n;
    }

    // What MHD has to say about clients (malformed requests, early closes)
    // is no news for the log unless asked for.
    static void log(void*, const char* format, va_list arguments) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        if (auto logger = spdlog::get("TQLOG")) {
            logger->debug("HTTP: {}", text);
        }
    }

    static void freeStream(void* cls) { delete static_cast<std::shared_ptr<StreamState>*>(cls); }

    static MHD_Result queue(Exchange& exchange) {
        exchange.queued = true;
        const HttpResponse& answer = *exchange.response;
        MHD_Response* response = nullptr;
        if (exchange.stream) {
            response = MHD_create_response_from_callback(
                MHD_SIZE_UNKNOWN, 16 * 1024, &readStream,
                new std::shared_ptr<StreamState>(exchange.stream), &freeStream);
        } else {
            response = MHD_create_response_from_buffer(static_cast<size_t>(answer.body.size()),
                                                       const_cast<char*>(answer.body.constData()),
                                                       MHD_RESPMEM_MUST_COPY);
        }
        if (response == nullptr) {
            return MHD_NO;
        }
        for (const auto& [name, value] : answer.headers) {
            MHD_add_response_header(response, name.constData(), value.constData());
        }
        const MHD_Result result =
            MHD_queue_response(exchange.connection, static_cast<unsigned>(answer.status), response);
        MHD_destroy_response(response);
        return result;
    }

    static void dispatch(HttpServer& server, const Holder& exchange) {
        exchange->dispatched = true;
        server.handler_(exchange->request, HttpReply(&server, exchange));
    }

    static MHD_Result access(void* cls, MHD_Connection* connection, const char*, const char* method,
                             const char*, const char* upload, size_t* uploadSize, void** context) {
        auto& server = *static_cast<HttpServer*>(cls);
        auto* holder = static_cast<Holder*>(*context);
        if (holder == nullptr) {
            return MHD_NO;
        }
        const Holder exchange = *holder;
        HttpRequest& request = exchange->request;
        const qsizetype maxBody = server.limits_.bodyBytes;
        if (!exchange->headersRead) {
            exchange->headersRead = true;
            exchange->connection = connection;
            request.method = QByteArray(method);
            MHD_get_connection_values(connection, MHD_HEADER_KIND, &collectHeader,
                                      &request.headers);
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
            request.peerIsLoopback =
                info != nullptr && QHostAddress(info->client_addr).isLoopback();
            bool ok = false;
            const qlonglong length = request.header("content-length").toLongLong(&ok);
            if (!ok || length <= maxBody) {
                return MHD_YES;  // the body, if any, comes next
            }
            // Announced too large: answered before it is read.
            request.bodyTooLarge = true;
            dispatch(server, exchange);
        } else if (*uploadSize != 0) {
            if (!request.bodyTooLarge) {
                if (request.body.size() + static_cast<qsizetype>(*uploadSize) > maxBody) {
                    request.bodyTooLarge = true;
                    request.body.clear();
                } else {
                    request.body.append(upload, static_cast<int>(*uploadSize));
                }
            }
            *uploadSize = 0;
            return MHD_YES;
        } else if (!exchange->dispatched) {
            dispatch(server, exchange);
        }
        if (exchange->response && !exchange->queued) {
            return queue(*exchange);
        }
        if (!exchange->queued && !exchange->suspended) {
            MHD_suspend_connection(connection);
            exchange->suspended = true;
        }
        return MHD_YES;
    }
};

HttpServer::HttpServer(Handler handler, Limits limits, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), limits_(limits) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &HttpServer::run);
}

HttpServer::~HttpServer() {
    if (daemon_ != nullptr) {
        MHD_stop_daemon(daemon_);
    }
}

bool HttpServer::listen(const QHostAddress& address, quint16 port, QString& error) {
    sockaddr_storage storage{};
    unsigned flags = MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        flags |= MHD_USE_IPv6;
    } else if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(port);
        in4->sin_addr.s_addr = htonl(address.toIPv4Address());
    } else {
        error = QStringLiteral("'%1' is not an IP address").arg(address.toString());
        return false;
    }
    daemon_ = MHD_start_daemon(
        flags, port, nullptr, nullptr, &Callbacks::access, this, MHD_OPTION_SOCK_ADDR, &storage,
        MHD_OPTION_CONNECTION_LIMIT, limits_.connections, MHD_OPTION_CONNECTION_TIMEOUT,
        limits_.idleTimeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.requestHeaderBytes,
        MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::uriLog, this, MHD_OPTION_NOTIFY_COMPLETED,
        &Callbacks::completed, this, MHD_OPTION_EXTERNAL_LOGGER, &Callbacks::log, nullptr,
        MHD_OPTION_END);
    if (daemon_ == nullptr) {
        error = QStringLiteral("cannot listen on %1 port %2").arg(address.toString()).arg(port);
        return false;
    }
    port_ = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT)->port;
    const int fd = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &HttpServer::run);
    run();
    return true;
}

void HttpServer::wake() {
    if (!wakeQueued_) {
        wakeQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            wakeQueued_ = false;
            run();
        });
    }
}

void HttpServer::run() {
    MHD_run(daemon_);
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (MHD_get_timeout(daemon_, &ms) == MHD_YES) {
        timer_.start(static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(ms, 60000)));
    } else {
        timer_.stop();
    }
}

}  // namespace Corvane::Webd
