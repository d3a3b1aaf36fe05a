#include "EventHub.h"

#include <QJsonDocument>

#include "DatacoreMirror.h"

namespace Corvane::Webd {

EventHub::EventHub(const DatacoreMirror& mirror, Limits limits, QObject* parent)
    : QObject(parent), mirror_(mirror), limits_(limits) {
    connect(&mirror, &DatacoreMirror::ready, this, [this] { publish(current()); });
    connect(&mirror, &DatacoreMirror::connectionLost, this, [this] {
        // Every failed reconnection reports the loss again: one event is enough.
        if (history_.empty() || history_.back().kind != Kind::connection) {
            Event lost;
            lost.kind = Kind::connection;
            publish(lost);
        }
    });
    connect(&mirror, &DatacoreMirror::datacoreChanged, this, [this](const QString& path) {
        Event changed;
        changed.kind = Kind::datacore;
        changed.path = path;
        publish(changed);
    });
    // Keeps idle streams (and the proxies in between) from timing out, and
    // finds the clients that went.
    keepAlive_.setInterval(limits_.keepAliveMs);
    connect(&keepAlive_, &QTimer::timeout, this, [this] {
        prune();
        for (Stream& s : streams_) {
            s.http->send(QByteArrayLiteral(": keep-alive\n\n"));
        }
    });
    keepAlive_.start();
}

bool EventHub::isFull() {
    prune();
    return streams_.size() >= limits_.streams;
}

std::size_t EventHub::streamCount() {
    prune();
    return streams_.size();
}

void EventHub::open(HttpReply& reply, HttpResponse head, const QString& prefix,
                    std::optional<quint64> lastEventId) {
    Stream stream{reply.openStream(std::move(head)), prefix};
    QByteArray first = QByteArrayLiteral("retry: 1000\n\n");
    // Resumable when every event after the client's last is still held.
    const bool resumable =
        lastEventId && *lastEventId <= lastId_ &&
        (history_.empty() ? *lastEventId == lastId_ : *lastEventId + 1 >= history_.front().id);
    if (resumable) {
        for (const Event& e : history_) {
            if (e.id > *lastEventId) {
                first += format(e, prefix);
            }
        }
    } else {
        // Carries the latest id, so a client resuming from it misses nothing.
        Event now = current();
        now.id = lastId_;
        first += format(now, prefix);
    }
    stream.http->send(first);
    streams_.push_back(std::move(stream));
}

EventHub::Event EventHub::current() const {
    Event e;
    if (mirror_.isReady()) {
        e.kind = Kind::sync;
        e.datacores = mirror_.statesJson(QString());
    } else {
        e.kind = Kind::connection;
    }
    return e;
}

QByteArray EventHub::frame(quint64 id, const char* name, const QJsonObject& data) {
    return QByteArrayLiteral("id: ") + QByteArray::number(id) + "\nevent: " + name +
           "\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact) + "\n\n";
}

QByteArray EventHub::format(const Event& event, const QString& prefix) {
    switch (event.kind) {
        case Kind::connection:
            return frame(event.id, "connection", {{"connected", false}});
        case Kind::datacore:
            return DatacoreMirror::isUnder(event.path, prefix) ? event.text : QByteArray();
        case Kind::sync:
            if (prefix.isEmpty()) {
                return frame(event.id, "sync",
                             {{"connected", true}, {"datacores", event.datacores}});
            }
            QJsonArray seen;
            for (const QJsonValue& d : event.datacores) {
                if (DatacoreMirror::isUnder(d.toObject().value("path").toString(), prefix)) {
                    seen.append(d);
                }
            }
            return frame(event.id, "sync", {{"connected", true}, {"datacores", seen}});
    }
    return {};
}

void EventHub::publish(Event event) {
    event.id = ++lastId_;
    if (event.kind == Kind::datacore) {
        event.text = frame(event.id, "datacore", Tools::stateJson(mirror_.state(event.path)));
    } else {
        event.text = format(event, QString());
    }
    prune();
    for (Stream& s : streams_) {
        s.http->send(s.prefix.isEmpty() ? event.text : format(event, s.prefix));
    }
    historyBytes_ += event.text.size();
    history_.push_back(std::move(event));
    while (history_.size() > limits_.historyEvents ||
           (historyBytes_ > limits_.historyBytes && history_.size() > 1)) {
        historyBytes_ -= history_.front().text.size();
        history_.pop_front();
    }
}

void EventHub::prune() {
    streams_.erase(std::remove_if(streams_.begin(), streams_.end(),
                                  [](const Stream& s) { return !s.http->isOpen(); }),
                   streams_.end());
}

}  // namespace Corvane::Webd
