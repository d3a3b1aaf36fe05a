#pragma once

// libmicrohttpd driven from the Qt event loop.
//
// The daemon runs in its external-select mode with epoll: its one epoll
// descriptor sits on a QSocketNotifier and MHD_get_timeout arms a
// single-shot timer, both calling MHD_run. Every request is therefore
// handled on the Qt thread, where the datacore client lives, and nothing
// needs a lock. An answer that must wait (a PUT until the datacore is in
// sync again) suspends its connection; an event stream suspends while it
// has nothing to send. Both resume from the event loop.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QSocketNotifier;
struct MHD_Daemon;
struct MHD_Connection;

namespace Corvane::Webd {

using HeaderList = std::vector<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method;
    QByteArray target;   // path and query as sent, still percent-encoded
    HeaderList headers;  // names in lower case
    QByteArray body;
    bool bodyTooLarge = false;  // then `body` is empty
    bool peerIsLoopback = false;

    // The first value of header `name` (lower case); null when absent.
    QByteArray header(const QByteArray& name) const;
};

struct HttpResponse {
    int status = 200;
    HeaderList headers;
    QByteArray body;
};

class HttpServer;
struct StreamState;

// The sending end of an event stream: what is sent is queued and written
// as the client takes it; once more than the limit waits unsent the stream
// is closed.
class HttpStream {
public:
    explicit HttpStream(std::shared_ptr<StreamState> state) : state_(std::move(state)) {}
    // False once the client went or the stream was closed.
    bool isOpen() const;
    void send(const QByteArray& bytes);
    void close();

private:
    std::shared_ptr<StreamState> state_;
};

struct Exchange;

// One request's answer: given at once or later, once.
class HttpReply {
public:
    HttpReply(HttpServer* server, const std::shared_ptr<Exchange>& exchange)
        : server_(server), exchange_(exchange) {}
    void answer(HttpResponse response);
    // Answers with `head` (status and headers) and a body that goes on for
    // as long as the stream is open.
    std::shared_ptr<HttpStream> openStream(HttpResponse head);

private:
    HttpServer* server_;
    std::weak_ptr<Exchange> exchange_;
};

class HttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const HttpRequest&, HttpReply)>;

    struct Limits {
        unsigned connections = 256;
        unsigned idleTimeoutSeconds = 30;
        size_t requestHeaderBytes = 32 * 1024;  // header lines and URL together
        qsizetype bodyBytes = 64 * 1024;
        qsizetype unsentStreamBytes = 1024 * 1024;
    };

    HttpServer(Handler handler, Limits limits, QObject* parent = nullptr);
    ~HttpServer() override;

    // False with the reason in `error`.
    bool listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 port() const { return port_; }
    const Limits& limits() const { return limits_; }

    // Lets MHD see what changed outside its own calls (a resumed
    // connection) soon, from the event loop.
    void wake();

private:
    friend class HttpReply;
    friend class HttpStream;
    friend struct Callbacks;

    void run();

    Handler handler_;
    Limits limits_;
    MHD_Daemon* daemon_ = nullptr;
    quint16 port_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QTimer timer_;
    bool wakeQueued_ = false;
};

}  // namespace Corvane::Webd
