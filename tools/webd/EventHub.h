#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "HttpServer.h"

namespace Corvane::Webd {

class DatacoreMirror;

// The Server-Sent Events of the mirror: a sync with every datacore when it
// is ready, one event per datacore update, a connection event when the
// link goes. Every event gets the next id and is kept in a bounded
// history, from which a client that comes back with Last-Event-ID is given
// what it missed; when that is no longer all held it gets a fresh sync.
class EventHub : public QObject {
    Q_OBJECT
public:
    struct Limits {
        std::size_t streams = 64;
        std::size_t historyEvents = 4096;
        qsizetype historyBytes = 16 * 1024 * 1024;
        int keepAliveMs = 15000;
    };

    EventHub(const DatacoreMirror& mirror, Limits limits, QObject* parent = nullptr);

    bool isFull();
    // Answers `reply` with `head` and the stream's first events.
    void open(HttpReply& reply, HttpResponse head, const QString& prefix,
              std::optional<quint64> lastEventId);
    std::size_t streamCount();
    quint64 lastId() const { return lastId_; }

private:
    enum class Kind { sync, datacore, connection };
    struct Event {
        quint64 id = 0;
        Kind kind = Kind::sync;
        QString path;          // datacore: its path
        QJsonArray datacores;  // sync: all of them
        QByteArray text;       // as sent to a stream without prefix
    };
    struct Stream {
        std::shared_ptr<HttpStream> http;
        QString prefix;
    };

    void publish(Event event);
    // The event as `prefix` sees it; empty when it sees none of it.
    static QByteArray format(const Event& event, const QString& prefix);
    static QByteArray frame(quint64 id, const char* name, const QJsonObject& data);
    Event current() const;
    void prune();

    const DatacoreMirror& mirror_;
    Limits limits_;
    std::deque<Event> history_;
    qsizetype historyBytes_ = 0;
    quint64 lastId_ = 0;
    std::vector<Stream> streams_;
    QTimer keepAlive_;
};

}  // namespace Corvane::Webd
