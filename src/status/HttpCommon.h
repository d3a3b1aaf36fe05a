#pragma once

#include <QDateTime>
#include <QString>

namespace Corvane::HTTP {

// The numeric HTTP status codes themselves; other codes may be cast in.
enum StatusCode : int {
    Continue = 100,
    OK = 200,
    Created = 201,
    Accepted = 202,
    NoContent = 204,
    MovedPermanently = 301,
    SeeOther = 303,
    NotModified = 304,
    BadRequest = 400,
    Unauthorized = 401,
    Forbidden = 403,
    NotFound = 404,
    MethodNotAllowed = 405,
    UnsupportedMediaType = 415,
    InternalServerError = 500,
    NotImplemented = 501,
    ServiceUnavailable = 503,
    HttpVersionNotSupported = 505,
};

enum Method : int {
    GET = 0,
    PUT = 1,
    POST = 2,
    DELETE = 3,
    OPTIONS = 4,
    NONE = 5,
};

// Reason phrase of a code, or nullptr for a code without one.
const char* getMessageForStatusCode(StatusCode code);

// True for 200, 201, 202 and 204 only.
bool returnCodeIsSuccess(StatusCode code);

// Exact, case-sensitive match of a method name; NONE for anything else.
Method stringToHttpMethod(const QString& text);

// The method name, or an empty string outside GET..OPTIONS.
QString HttpMethodToString(Method method);

// The current UTC time in the HTTP date form, e.g. "Sun, 06 Nov 1994 08:49:37 GMT".
QString getDateInHttpTimeFormat();

// The same form for a given time (converted to UTC first).
QString getDateInHttpTimeFormat(const QDateTime& time);

}  // namespace Corvane::HTTP
