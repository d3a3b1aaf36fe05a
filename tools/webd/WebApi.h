#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "EventHub.h"
#include "HttpServer.h"
#include "platform/healthsensors.h"
#include "status/HttpCommon.h"
#include "version/VersionInfo.h"

class QJsonObject;
class QJsonValue;

namespace Corvane::Webd {

class DatacoreMirror;

// The resources of corvane-webd over one datacore mirror. Every answer
// goes through finish(): JSON, the HTTP date, CORS and the request count.
class WebApi : public QObject {
    Q_OBJECT
public:
    struct Options {
        QByteArray allowOrigin = "*";
        int timeoutMs = 5000;             // a PUT's wait for the server
        std::optional<QByteArray> token;  // with it a PUT needs the bearer token
        qsizetype bodyBytes = 64 * 1024;
        EventHub::Limits events;
    };

    WebApi(DatacoreMirror& mirror, Options options, QObject* parent = nullptr);
    ~WebApi() override;

    void handle(const HttpRequest& request, HttpReply reply);

    // What a request target means, once percent-decoded; nothing for a
    // target that does not decode (a bad escape, NUL, not UTF-8).
    struct Target {
        QString path;
        std::map<QString, QString> query;
    };
    static std::optional<Target> parseTarget(const QByteArray& target);
    // Constant in the length of what is compared, whatever matches.
    static bool sameSecret(const QByteArray& a, const QByteArray& b);

    struct Route;

private:
    struct Call {
        const HttpRequest& request;
        HttpReply& reply;
        const Target& target;
        QString rest;  // what follows a route ending in "/"
    };

    void finish(HttpReply& reply, HttpResponse response);
    HttpResponse json(int status, const QJsonValue& body) const;
    HttpResponse error(int status, const QString& what) const;
    void fail(Call& call, int status, const QString& what);
    bool refuseUnlessReady(Call& call);

    void getRoot(Call& call);
    void getDatacores(Call& call);
    void getDatacore(Call& call);
    void putDatacore(Call& call);
    void getInputs(Call& call);
    void getInput(Call& call);
    void getSensors(Call& call);
    void getVersions(Call& call);
    void getEvents(Call& call);
    void getOpenApi(Call& call);
    void getMetrics(Call& call);

    const std::vector<sensorData>& sensors();

    static const std::vector<Route>& routes();

    DatacoreMirror& mirror_;
    Options options_;
    EventHub events_;
    std::unique_ptr<healthSensors> sensors_;  // null when libsensors has no configuration
    QString sensorsError_;
    std::vector<sensorData> sensorReadings_;
    QElapsedTimer sensorsRead_;
    std::vector<VersionedEntity> versions_;
    std::map<int, quint64> requestsByCode_;
};

}  // namespace Corvane::Webd
