#include "StaticFiles.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>

#include "status/HttpCommon.h"

// Outside the namespace, as Qt's resource macro requires.
static void initialisePageResources() {
    Q_INIT_RESOURCE(page);
}

namespace Corvane::Webd {
namespace {

QByteArray contentTypeOf(const QString& name) {
    static const std::pair<const char*, const char*> types[] = {
        {".html", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".svg", "image/svg+xml"},
    };
    for (const auto& [suffix, type] : types) {
        if (name.endsWith(QLatin1String(suffix))) {
            return type;
        }
    }
    return "application/octet-stream";
}

}  // namespace

StaticFiles::StaticFiles(QByteArray allowOrigin) : allowOrigin_(std::move(allowOrigin)) {
    initialisePageResources();
    // Read once: the files cannot change while the program runs.
    QDirIterator it(QStringLiteral(":/page"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString resource = it.next();
        QFile file(resource);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        File f;
        f.body = file.readAll();
        f.contentType = contentTypeOf(resource);
        f.etag = '"' +
                 QCryptographicHash::hash(f.body, QCryptographicHash::Sha256).toHex().left(20) +
                 '"';
        files_.emplace(resource.mid(1), f);  // ":/page/app.js" -> "/page/app.js"
    }
    if (const auto index = files_.find(QStringLiteral("/page/index.html")); index != files_.end()) {
        files_.emplace(QStringLiteral("/"), index->second);
    }
}

std::optional<HttpResponse> StaticFiles::answer(const HttpRequest& request) const {
    const int query = request.target.indexOf('?');
    const QByteArray path = query < 0 ? request.target : request.target.left(query);
    const auto file = files_.find(QString::fromLatin1(path));
    if (file == files_.end() || (request.method != "GET" && request.method != "HEAD")) {
        return std::nullopt;
    }
    HttpResponse response;
    response.headers.emplace_back("Date", HTTP::getDateInHttpTimeFormat().toLatin1());
    response.headers.emplace_back("Access-Control-Allow-Origin", allowOrigin_);
    response.headers.emplace_back("ETag", file->second.etag);
    // Always asked again, so a new build's page is never stale.
    response.headers.emplace_back("Cache-Control", "no-cache");
    // If-None-Match: "*" or a list of tags.
    for (const QByteArray& tag : request.header("if-none-match").split(',')) {
        if (tag.trimmed() == file->second.etag || tag.trimmed() == "*") {
            response.status = HTTP::NotModified;
            return response;
        }
    }
    response.headers.emplace_back("Content-Type", file->second.contentType);
    response.body = file->second.body;  // libmicrohttpd sends none for HEAD
    return response;
}

}  // namespace Corvane::Webd
