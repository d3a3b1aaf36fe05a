#include "WebApi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextCodec>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <exception>

#include "DatacoreMirror.h"
#include "InstrumentDocuments.h"
#include "client/ClientDatacore.h"
#include "common/SensorsJson.h"

namespace Corvane::Webd {

struct WebApi::Route {
    const char* path;       // ending in "/": the rest of the path is a parameter
    const char* parameter;  // its name in the description
    const char* query;      // a query parameter, or nullptr
    void (WebApi::*get)(Call&);
    void (WebApi::*put)(Call&);
    const char* summary;
};

const std::vector<WebApi::Route>& WebApi::routes() {
    static const std::vector<Route> table = {
        {"/api/v1", nullptr, nullptr, &WebApi::getRoot, nullptr,
         "The datacore server, whether it is connected, how many datacores it has"},
        {"/api/v1/datacores", nullptr, "prefix", &WebApi::getDatacores, nullptr,
         "Every datacore, in the server's path order; with prefix those at or under it"},
        {"/api/v1/datacores/", "path", nullptr, &WebApi::getDatacore, &WebApi::putDatacore,
         "One datacore; PUT {\"data\": text or [texts]} changes it and answers once the server "
         "has"},
        {"/api/v1/inputs", nullptr, nullptr, &WebApi::getInputs, nullptr,
         "Every SDI input's status document"},
        {"/api/v1/inputs/", "name", nullptr, &WebApi::getInput, nullptr,
         "One SDI input's status document"},
        {"/api/v1/sensors", nullptr, nullptr, &WebApi::getSensors, nullptr,
         "The seven health sensors with their limits and alarm counts"},
        {"/api/v1/versions", nullptr, nullptr, &WebApi::getVersions, nullptr,
         "The software and hardware version inventory"},
        {"/api/v1/events", nullptr, "prefix", &WebApi::getEvents, nullptr,
         "Server-Sent Events: sync, datacore and connection; resumable with Last-Event-ID"},
        {"/api/v1/openapi.json", nullptr, nullptr, &WebApi::getOpenApi, nullptr,
         "This description"},
        {"/metrics", nullptr, nullptr, &WebApi::getMetrics, nullptr, "Prometheus text exposition"},
    };
    return table;
}

WebApi::WebApi(DatacoreMirror& mirror, Options options, QObject* parent)
    : QObject(parent),
      mirror_(mirror),
      options_(std::move(options)),
      events_(mirror, options_.events),
      // Read once: the inventory does not change while the process runs.
      versions_(VersionInfo().getAllVersions()) {}

WebApi::~WebApi() = default;

std::optional<WebApi::Target> WebApi::parseTarget(const QByteArray& target) {
    const auto decode = [](const QByteArray& raw) -> std::optional<QString> {
        QByteArray bytes;
        bytes.reserve(raw.size());
        for (int i = 0; i < raw.size(); ++i) {
            char c = raw[i];
            if (c == '%') {
                if (i + 2 >= raw.size() || !std::isxdigit(static_cast<unsigned char>(raw[i + 1])) ||
                    !std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
                    return std::nullopt;
                }
                c = static_cast<char>(raw.mid(i + 1, 2).toUInt(nullptr, 16));
                i += 2;
            }
            if (c == '\0') {
                return std::nullopt;
            }
            bytes.append(c);
        }
        QTextCodec::ConverterState state;
        const QString text =
            QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
        if (state.invalidChars != 0 || state.remainingChars != 0) {
            return std::nullopt;
        }
        return text;
    };
    const int question = target.indexOf('?');
    const auto path = decode(question < 0 ? target : target.left(question));
    if (!path) {
        return std::nullopt;
    }
    Target parsed{*path, {}};
    if (parsed.path.size() > 1 && parsed.path.endsWith(QLatin1Char('/'))) {
        parsed.path.chop(1);
    }
    if (question >= 0) {
        for (const QByteArray& pair : target.mid(question + 1).split('&')) {
            if (pair.isEmpty()) {
                continue;
            }
            const int equals = pair.indexOf('=');
            const auto key = decode(equals < 0 ? pair : pair.left(equals));
            const auto value = decode(equals < 0 ? QByteArray() : pair.mid(equals + 1));
            if (!key || !value) {
                return std::nullopt;
            }
            parsed.query.emplace(*key, *value);
        }
    }
    return parsed;
}

bool WebApi::sameSecret(const QByteArray& a, const QByteArray& b) {
    unsigned difference = static_cast<unsigned>(a.size() ^ b.size());
    const int n = std::max(a.size(), b.size());
    for (int i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        difference |= static_cast<unsigned>(x ^ y);
    }
    return difference == 0;
}

void WebApi::handle(const HttpRequest& request, HttpReply reply) {
    const auto target = parseTarget(request.target);
    if (!target) {
        finish(reply, error(HTTP::BadRequest,
                            QStringLiteral("the request target does not percent-decode to UTF-8 "
                                           "text without NUL")));
        return;
    }
    const Route* route = nullptr;
    QString rest;
    for (const Route& r : routes()) {
        const QString path = QLatin1String(r.path);
        if (r.parameter != nullptr
                ? target->path.startsWith(path) && target->path.size() > path.size()
                : target->path == path) {
            route = &r;
            rest = r.parameter != nullptr ? target->path.mid(path.size()) : QString();
            break;
        }
    }
    if (route == nullptr) {
        finish(reply, error(HTTP::NotFound, QStringLiteral("no resource %1").arg(target->path)));
        return;
    }
    QStringList allowed{HTTP::HttpMethodToString(HTTP::GET)};
    if (route->put != nullptr) {
        allowed.append(HTTP::HttpMethodToString(HTTP::PUT));
    }
    allowed.append(HTTP::HttpMethodToString(HTTP::OPTIONS));
    const QByteArray allow = allowed.join(QStringLiteral(", ")).toLatin1();
    Call call{request, reply, *target, rest};
    switch (HTTP::stringToHttpMethod(QString::fromLatin1(request.method))) {
        case HTTP::OPTIONS:
            finish(reply,
                   {HTTP::NoContent,
                    {{"Allow", allow},
                     {"Access-Control-Allow-Methods", allow},
                     {"Access-Control-Allow-Headers", "Authorization, Content-Type, Last-Event-ID"},
                     {"Access-Control-Max-Age", "600"}},
                    {}});
            return;
        case HTTP::GET:
            (this->*route->get)(call);
            return;
        case HTTP::PUT:
            if (route->put != nullptr) {
                (this->*route->put)(call);
                return;
            }
            break;
        default:
            break;
    }
    HttpResponse refusal =
        error(HTTP::MethodNotAllowed,
              QStringLiteral("%1 is not allowed here").arg(QString::fromLatin1(request.method)));
    refusal.headers.emplace_back("Allow", allow);
    finish(reply, std::move(refusal));
}

// libmicrohttpd writes the status line from its own table, whose phrases are
// those of HTTP::getMessageForStatusCode for every code that has one (the
// tests compare them); the rest of what every answer carries is added here.
void WebApi::finish(HttpReply& reply, HttpResponse response) {
    response.headers.emplace_back("Date", HTTP::getDateInHttpTimeFormat().toLatin1());
    response.headers.emplace_back("Access-Control-Allow-Origin", options_.allowOrigin);
    ++requestsByCode_[response.status];
    reply.answer(std::move(response));
}

HttpResponse WebApi::json(int status, const QJsonValue& body) const {
    const QJsonDocument document =
        body.isArray() ? QJsonDocument(body.toArray()) : QJsonDocument(body.toObject());
    return {
        status, {{"Content-Type", "application/json"}}, document.toJson(QJsonDocument::Compact)};
}

HttpResponse WebApi::error(int status, const QString& what) const {
    return json(status,
                QJsonObject{{"code", status}, {"error", what}, {"debug", QJsonValue::Null}});
}

void WebApi::fail(Call& call, int status, const QString& what) {
    finish(call.reply, error(status, what));
}

bool WebApi::refuseUnlessReady(Call& call) {
    if (mirror_.isReady()) {
        return false;
    }
    fail(call, HTTP::ServiceUnavailable,
         mirror_.isConnected()
             ? QStringLiteral("the datacores of %1 are still arriving").arg(mirror_.serverText())
             : QStringLiteral("not connected to the datacore server %1").arg(mirror_.serverText()));
    return true;
}

void WebApi::getRoot(Call& call) {
    finish(call.reply,
           json(HTTP::OK,
                QJsonObject{{"datacoreServer", mirror_.serverText()},
                            {"connected", mirror_.isConnected()},
                            {"datacores", mirror_.paths().size()},
                            {"lostPackets", static_cast<double>(mirror_.lostPacketsTotal())}}));
}

void WebApi::getDatacores(Call& call) {
    if (refuseUnlessReady(call)) {
        return;
    }
    const auto prefix = call.target.query.find(QStringLiteral("prefix"));
    finish(call.reply,
           json(HTTP::OK,
                QJsonObject{{"datacores", mirror_.statesJson(prefix == call.target.query.end()
                                                                 ? QString()
                                                                 : prefix->second)}}));
}

void WebApi::getDatacore(Call& call) {
    if (refuseUnlessReady(call)) {
        return;
    }
    if (mirror_.datacore(call.rest) == nullptr) {
        fail(call, HTTP::NotFound, QStringLiteral("no datacore %1").arg(call.rest));
        return;
    }
    finish(call.reply, json(HTTP::OK, Tools::stateJson(mirror_.state(call.rest))));
}

void WebApi::putDatacore(Call& call) {
    const HttpRequest& request = call.request;
    if (options_.token) {
        const QByteArray given = request.header("authorization");
        if (!given.startsWith("Bearer ") || !sameSecret(given.mid(7).trimmed(), *options_.token)) {
            HttpResponse refusal =
                error(HTTP::Unauthorized, QStringLiteral("a PUT needs the bearer token"));
            refusal.headers.emplace_back("WWW-Authenticate", "Bearer");
            finish(call.reply, std::move(refusal));
            return;
        }
    } else if (!request.peerIsLoopback) {
        fail(call, HTTP::Forbidden,
             QStringLiteral("without a token file only this machine may change datacores"));
        return;
    }
    if (request.bodyTooLarge) {
        fail(call, 413, QStringLiteral("the body is over %1 bytes").arg(options_.bodyBytes));
        return;
    }
    const QByteArray type = request.header("content-type").split(';').front().trimmed().toLower();
    if (type != "application/json") {
        fail(call, HTTP::UnsupportedMediaType, QStringLiteral("the body must be application/json"));
        return;
    }
    if (refuseUnlessReady(call)) {
        return;
    }
    const QString path = call.rest;
    ClientDatacore* datacore = mirror_.datacore(path);
    if (datacore == nullptr) {
        fail(call, HTTP::NotFound, QStringLiteral("no datacore %1").arg(path));
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(call, HTTP::BadRequest,
             QStringLiteral("the body is not JSON: %1").arg(parseError.errorString()));
        return;
    }
    const QJsonObject body = document.object();
    if (!document.isObject() || body.size() != 1 || !body.contains("data")) {
        fail(call, HTTP::BadRequest,
             QStringLiteral("the body must be an object with \"data\" alone"));
        return;
    }
    QStringList wanted;
    const QJsonValue data = body.value("data");
    if (data.isString()) {
        wanted.append(data.toString());
    } else if (data.isArray()) {
        for (const QJsonValue& v : data.toArray()) {
            if (!v.isString()) {
                fail(call, HTTP::BadRequest, QStringLiteral("\"data\" must hold strings only"));
                return;
            }
            wanted.append(v.toString());
        }
    } else {
        fail(call, HTTP::BadRequest,
             QStringLiteral("\"data\" must be a string or an array of strings"));
        return;
    }
    // As corvane-datacore set does: one value as a string, more as a list.
    if (wanted.size() == 1) {
        datacore->setDataString(wanted.front());
    } else {
        datacore->setDataStringList(wanted);
    }

    // The answer once the server has echoed the change: 409 when it kept
    // another value (the status tree is read-only).
    auto* waiter = new QObject(this);
    auto settle = [this, waiter, reply = call.reply, path, wanted](int status) mutable {
        if (waiter->property("done").toBool()) {
            return;
        }
        waiter->setProperty("done", true);
        waiter->deleteLater();
        if (status == HTTP::OK) {
            const Tools::DatacoreState state = mirror_.state(path);
            finish(reply, json(state.data == wanted ? HTTP::OK : 409, Tools::stateJson(state)));
        } else {
            finish(reply,
                   error(status, status == 504
                                     ? QStringLiteral("the datacore server did not answer within "
                                                      "%1 ms")
                                           .arg(options_.timeoutMs)
                                     : QStringLiteral("the datacore server went away")));
        }
    };
    if (mirror_.state(path).inSync) {  // nothing differed from what the server holds
        settle(HTTP::OK);
        return;
    }
    QTimer::singleShot(options_.timeoutMs, waiter, [settle]() mutable { settle(504); });
    connect(&mirror_, &DatacoreMirror::connectionLost, waiter,
            [settle]() mutable { settle(HTTP::ServiceUnavailable); });
    connect(&mirror_, &DatacoreMirror::datacoreChanged, waiter,
            [this, path, settle](const QString& changed) mutable {
                if (changed == path && mirror_.state(path).inSync) {
                    settle(HTTP::OK);
                }
            });
}

void WebApi::getInputs(Call& call) {
    if (refuseUnlessReady(call)) {
        return;
    }
    QJsonArray inputs;
    for (const QString& name : inputNames(mirror_)) {
        inputs.append(QJsonObject{{"name", name}, {"status", inputStatus(mirror_, name)}});
    }
    finish(call.reply, json(HTTP::OK, QJsonObject{{"inputs", inputs}}));
}

void WebApi::getInput(Call& call) {
    if (refuseUnlessReady(call)) {
        return;
    }
    if (!inputNames(mirror_).contains(call.rest)) {
        fail(call, HTTP::NotFound, QStringLiteral("no input %1").arg(call.rest));
        return;
    }
    finish(call.reply, json(HTTP::OK, QJsonObject{{"name", call.rest},
                                                  {"status", inputStatus(mirror_, call.rest)}}));
}

const std::vector<sensorData>& WebApi::sensors() {
    if (!sensors_ && sensorsError_.isEmpty()) {
        try {
            sensors_ = std::make_unique<healthSensors>();
        } catch (const std::exception& e) {
            sensorsError_ = QString::fromUtf8(e.what());
        }
    }
    // At most once a second, however often clients ask.
    if (sensors_ && (!sensorsRead_.isValid() || sensorsRead_.elapsed() >= 1000)) {
        sensors_->updateSensorsCache();
        sensorReadings_ = sensors_->getAllCachedSensors();
        sensorsRead_.start();
    }
    return sensorReadings_;
}

void WebApi::getSensors(Call& call) {
    const std::vector<sensorData>& readings = sensors();
    if (!sensors_) {
        fail(call, HTTP::ServiceUnavailable,
             QStringLiteral("the health sensors cannot be read: %1").arg(sensorsError_));
        return;
    }
    finish(call.reply, json(HTTP::OK, QJsonObject{{"sensors", Tools::sensorsJson(readings)}}));
}

void WebApi::getVersions(Call& call) {
    QJsonArray versions;
    for (const VersionedEntity& v : versions_) {
        versions.append(QJsonObject{{"name", v.name}, {"version", v.version}});
    }
    finish(call.reply, json(HTTP::OK, QJsonObject{{"versions", versions}}));
}

void WebApi::getEvents(Call& call) {
    if (events_.isFull()) {
        fail(call, HTTP::ServiceUnavailable,
             QStringLiteral("already %1 event streams").arg(options_.events.streams));
        return;
    }
    std::optional<quint64> lastEventId;
    bool ok = false;
    const quint64 id = call.request.header("last-event-id").trimmed().toULongLong(&ok);
    if (ok) {
        lastEventId = id;
    }
    const auto prefix = call.target.query.find(QStringLiteral("prefix"));
    HttpResponse head{HTTP::OK,
                      {{"Content-Type", "text/event-stream"},
                       {"Cache-Control", "no-cache"},
                       {"Date", HTTP::getDateInHttpTimeFormat().toLatin1()},
                       {"Access-Control-Allow-Origin", options_.allowOrigin}},
                      {}};
    ++requestsByCode_[HTTP::OK];
    events_.open(call.reply, std::move(head),
                 prefix == call.target.query.end() ? QString() : prefix->second, lastEventId);
}

void WebApi::getOpenApi(Call& call) {
    QJsonObject paths;
    for (const Route& r : routes()) {
        QString path = QLatin1String(r.path);
        QJsonArray parameters;
        if (r.parameter != nullptr) {
            path += QStringLiteral("{%1}").arg(QLatin1String(r.parameter));
            parameters.append(QJsonObject{{"name", r.parameter},
                                          {"in", "path"},
                                          {"required", true},
                                          {"schema", QJsonObject{{"type", "string"}}}});
        }
        if (r.query != nullptr) {
            parameters.append(QJsonObject{{"name", r.query},
                                          {"in", "query"},
                                          {"required", false},
                                          {"schema", QJsonObject{{"type", "string"}}}});
        }
        const QJsonObject ok{{"200", QJsonObject{{"description", "OK"}}}};
        QJsonObject item{{"get", QJsonObject{{"summary", r.summary}, {"responses", ok}}}};
        if (r.put != nullptr) {
            item["put"] = QJsonObject{
                {"summary", r.summary},
                {"requestBody",
                 QJsonObject{{"required", true},
                             {"content", QJsonObject{{"application/json",
                                                      QJsonObject{{"schema", QJsonObject{}}}}}}}},
                {"responses",
                 QJsonObject{
                     {"200", QJsonObject{{"description", "applied"}}},
                     {"409", QJsonObject{{"description", "the server kept another value"}}}}}};
        }
        if (!parameters.isEmpty()) {
            item["parameters"] = parameters;
        }
        paths[path] = item;
    }
    QString version;
    for (const VersionedEntity& v : versions_) {
        if (v.name == QLatin1String("Software")) {
            version = v.version;
        }
    }
    finish(call.reply,
           json(HTTP::OK,
                QJsonObject{{"openapi", "3.0.3"},
                            {"info", QJsonObject{{"title", "corvane-webd"}, {"version", version}}},
                            {"paths", paths}}));
}

void WebApi::getMetrics(Call& call) {
    static const std::vector<sensorData> none;
    const std::vector<sensorData>& readings =
        sensors_ || sensorsError_.isEmpty() ? sensors() : none;
    ++requestsByCode_[HTTP::OK];  // this scrape counts itself
    const std::string text =
        metricsText({mirror_, sensors_ ? readings : none, versions_, requestsByCode_});
    --requestsByCode_[HTTP::OK];
    finish(call.reply, {HTTP::OK,
                        {{"Content-Type", "text/plain; version=0.0.4; charset=utf-8"}},
                        QByteArray::fromStdString(text)});
}

}  // namespace Corvane::Webd
