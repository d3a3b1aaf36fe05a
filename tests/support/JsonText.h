#pragma once

#include <QJsonDocument>
#include <QJsonObject>

namespace Corvane::Testing {

// The object a JSON text describes; empty when the text is not an object.
inline QJsonObject jsonObject(const char* text) {
    return QJsonDocument::fromJson(text).object();
}

}  // namespace Corvane::Testing
