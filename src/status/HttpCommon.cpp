#include "status/HttpCommon.h"

#include <QLocale>

#include <array>
#include <utility>

namespace Corvane::HTTP {

namespace {

constexpr std::array<std::pair<int, const char*>, 18> reasonPhrases{{
    {Continue, "Continue"},
    {OK, "OK"},
    {Created, "Created"},
    {Accepted, "Accepted"},
    {NoContent, "No Content"},
    {MovedPermanently, "Moved Permanently"},
    {SeeOther, "See Other"},
    {NotModified, "Not Modified"},
    {BadRequest, "Bad Request"},
    {Unauthorized, "Unauthorized"},
    {Forbidden, "Forbidden"},
    {NotFound, "Not Found"},
    {MethodNotAllowed, "Method Not Allowed"},
    {UnsupportedMediaType, "Unsupported Media Type"},
    {InternalServerError, "Internal Server Error"},
    {NotImplemented, "Not Implemented"},
    {ServiceUnavailable, "Service Unavailable"},
    {HttpVersionNotSupported, "HTTP Version Not Supported"},
}};

// Indexed by Method.
constexpr std::array<const char*, 5> methodNames{"GET", "PUT", "POST", "DELETE", "OPTIONS"};

}  // namespace

const char* getMessageForStatusCode(StatusCode code) {
    for (const auto& [value, phrase] : reasonPhrases) {
        if (value == code) {
            return phrase;
        }
    }
    return nullptr;
}

bool returnCodeIsSuccess(StatusCode code) {
    return code == OK || code == Created || code == Accepted || code == NoContent;
}

Method stringToHttpMethod(const QString& text) {
    for (size_t i = 0; i < methodNames.size(); ++i) {
        if (text == QLatin1String(methodNames[i])) {
            return static_cast<Method>(i);
        }
    }
    return NONE;
}

QString HttpMethodToString(Method method) {
    if (method < GET || method > OPTIONS) {
        return {};
    }
    return QString::fromLatin1(methodNames[static_cast<size_t>(method)]);
}

QString getDateInHttpTimeFormat() {
    return getDateInHttpTimeFormat(QDateTime::currentDateTimeUtc());
}

QString getDateInHttpTimeFormat(const QDateTime& time) {
    // The C locale keeps day and month names English whatever the system
    // locale is, as HTTP requires.
    return QLocale::c().toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
}

}  // namespace Corvane::HTTP
