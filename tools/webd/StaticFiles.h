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
    StaticFiles();

    // The answer for a request to one of the page's paths ("/" and
    // "/page/..."); nothing for any other path, which the API handles.
    std::optional<HttpResponse> answer(const HttpRequest& request) const;

private:
    struct File {
        QByteArray contentType;
        QByteArray etag;  // quoted, as sent
        QByteArray body;
    };
    std::map<QString, File> files_;  // by request path
};

}  // namespace Corvane::Webd
