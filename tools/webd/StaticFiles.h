#pragma once

// The web page's files, compiled in as Qt resources (page/page.qrc), served
// on GET with an ETag so a browser that has them is answered 304.

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>

#include "HttpServer.h"

namespace Corvane::Webd {

class StaticFiles {
public:
    explicit StaticFiles(QByteArray allowOrigin);

    // The answer to a GET or HEAD of one of the page's files ("/" is
    // "/page/index.html"); nothing for anything else, which the API answers
    // (with its errors).
    std::optional<HttpResponse> answer(const HttpRequest& request) const;

private:
    struct File {
        QByteArray contentType;
        QByteArray etag;  // quoted, as sent
        QByteArray body;
    };
    QByteArray allowOrigin_;
    std::map<QString, File> files_;  // by request path
};

}  // namespace Corvane::Webd
