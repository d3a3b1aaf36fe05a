#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QString>

namespace Corvane {

// The one way JSON text that comes from outside the process (the network, a
// file, a peer's output) is turned into a document.
//
// Qt 5.15's parser keeps the last value of a key that an object repeats and
// leaks the earlier one when that is an object or an array (80 bytes for
// {"b":[1],"b":[2]}), so a peer that repeats keys could grow a long-running
// reader without bound. Our own writers cannot produce a repeated key (a
// QJsonObject holds each key once), so a document in which any object repeats
// a key, after escapes are decoded, is refused before Qt builds it: the
// result is a failure with error IllegalValue at the offset of the repeated
// key's second occurrence, and the message names the key. Qt also takes two
// keys that differ only after a NUL character for one, so a key holding U+0000
// (raw or escaped) is refused the same way, at that key's offset.
//
// Nesting deeper than Qt's own limit of 1024 arrays and objects is Qt's
// DeepNesting error at Qt's offset (just past the bracket one level too deep),
// or Qt's error for whatever broke before that bracket. The check costs no
// memory beyond that depth, whatever the length of the text.
//
// Qt's document costs far more than its text (a tree of 200,000 small objects
// in 3.5 MB takes 38 MB), so a reader that bounds what a peer may make it hold
// passes `maxValues`: a text with more values than that (counted as its
// commas plus its brackets, which bounds the values from above) is refused
// with DocumentTooLarge at the offset where the count passes it, before Qt
// builds anything. Negative: no bound.
struct JsonParseResult {
    QJsonDocument document;  // null unless ok()
    QJsonParseError error{0, QJsonParseError::NoError};
    QString message;  // empty when ok(): Qt's description, or the repeated key

    bool ok() const { return error.error == QJsonParseError::NoError; }
};

JsonParseResult parseJson(const QByteArray& text, qint64 maxValues = -1);

}  // namespace Corvane
