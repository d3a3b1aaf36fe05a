#include <gtest/gtest.h>

#include <QJsonObject>
#include <string>

#include "app/JsonText.h"

using namespace Corvane;

namespace {

QByteArray manyKeys(int count, const char* last) {
    QByteArray text = "{";
    for (int i = 0; i < count; ++i) {
        text += "\"k" + QByteArray::number(i) + "\":[],";
    }
    return text + '"' + last + "\":{}}";
}

// A repeated key, or one holding a NUL (which Qt compares only up to the NUL),
// is refused wherever it stands and however it is spelt; a document without
// one parses as Qt parses it. In a sanitizer build the
// refused rows also prove that Qt never built them: its parser would leak
// the first value and LeakSanitizer fail this program at exit.
TEST(ParseJson, RepeatedKeysAreRefusedAndEverythingElseParsesAsQtDoes) {
    const struct {
        QByteArray text;
        int repeatAt;     // offset of the refused key, -1 when the text parses
        const char* key;  // nullptr: refused for a NUL in the key
    } cases[] = {
        {R"({"b":[1],"b":[2]})", 9, "b"},
        {R"({"a":1,"a":{"x":2}})", 7, "a"},
        {R"([0,{"x":{"k":{},"k":{}}}])", 16, "k"},
        {R"({"a":[],"\u0061":[]})", 8, "a"},
        {"{\"\xc3\xa9\":[1],\"\\u00e9\":[2]}", 10, "\xc3\xa9"},
        {R"({"b":{"k":[]},"c":[],"b":{"k":[]}})", 21, "b"},
        {manyKeys(40, "k7"), 351, "k7"},
        {manyKeys(40, "k40"), -1, ""},
        {R"({"a":{"k":1},"b":{"k":1},"k":"k"})", -1, ""},
        {R"({"s":"{\"a\":[],\"a\":[]}","t":["a","a"]})", -1, ""},
        {R"({"\u00e9":1,"\u00e8":1,"e":1})", -1, ""},
        {R"({"":1,"\"":2,"\\":3})", -1, ""},
        {R"({"x":1,"a\u0000b":[1],"a\u0000c":[2]})", 7, nullptr},
        {QByteArray("{\"a\0\x10"
                    "b\":[1],\"a\0\0b\":[2]}",
                    23),
         1, nullptr},
        {R"({"a":"x\u0000y"})", -1, ""},
    };
    // The scan reads eight bytes at a time: each case at every alignment.
    for (const auto& c : cases) {
        for (int pad = 0; pad < 8; ++pad) {
            const QByteArray text = QByteArray(pad, ' ') + c.text;
            SCOPED_TRACE(text.constData());
            const JsonParseResult r = parseJson(text);
            if (c.repeatAt < 0) {
                EXPECT_TRUE(r.ok()) << r.message.toStdString();
                EXPECT_EQ(r.document, QJsonDocument::fromJson(text));
                EXPECT_TRUE(r.message.isEmpty());
            } else {
                EXPECT_FALSE(r.ok());
                EXPECT_TRUE(r.document.isNull());
                EXPECT_EQ(r.error.error, QJsonParseError::IllegalValue);
                EXPECT_EQ(r.error.offset, c.repeatAt + pad);
                EXPECT_EQ(r.message.toStdString(),
                          c.key ? "repeated key \"" + std::string(c.key) + '"'
                                : "key holds a NUL character");
            }
        }
    }
}

// Broken text is Qt's to describe, even when it also repeats a key: an object
// Qt cannot complete leaks nothing.
TEST(ParseJson, BrokenTextKeepsQtsError) {
    for (const QByteArray& text : {QByteArray(R"({"b":[1],"b":[2])"), QByteArray(R"({"a":[}})"),
                                   QByteArray("]{"), QByteArray("{\"a"), QByteArray()}) {
        QJsonParseError qt{};
        QJsonDocument::fromJson(text, &qt);
        const JsonParseResult r = parseJson(text);
        EXPECT_EQ(r.error.error, qt.error) << text.constData();
        EXPECT_EQ(r.error.offset, qt.offset) << text.constData();
        EXPECT_EQ(r.message, qt.errorString()) << text.constData();
    }
}

// Past Qt's nesting limit the result is Qt's own error, reached without
// scanning (or holding anything for) the rest of the text; in particular a
// repeat in an object that would close only beyond the limit is not what
// gets reported, as Qt never completes that object.
TEST(ParseJson, NestingBeyondQtsLimitIsQtsError) {
    const QByteArray open1024(1024, '['), close1024(1024, ']');
    QByteArray objects;
    for (int i = 0; i < 1025; ++i) {
        objects += "{\"a\":";
    }
    const struct {
        QByteArray text;
        QJsonParseError::ParseError error;
        int offset;  // -1: whatever Qt says
    } cases[] = {
        {open1024 + close1024, QJsonParseError::NoError, 0},
        {open1024 + '[', QJsonParseError::DeepNesting, 1025},
        {QByteArray(8 << 20, '['), QJsonParseError::DeepNesting, 1025},
        {objects + "1", QJsonParseError::DeepNesting, 1024 * 5 + 1},
        {R"({"b":1,"b":2,"c":)" + QByteArray(1024, '[') + close1024 + '}',
         QJsonParseError::DeepNesting, 17 + 1024},
        {"[1 2" + QByteArray(2000, '['), QJsonParseError::MissingValueSeparator, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(40).constData());
        QJsonParseError qt{};
        const QJsonDocument qtDocument = QJsonDocument::fromJson(c.text, &qt);
        const JsonParseResult r = parseJson(c.text);
        EXPECT_EQ(r.error.error, c.error);
        EXPECT_EQ(r.error.error, qt.error);
        EXPECT_EQ(r.error.offset, c.offset < 0 ? qt.offset : c.offset);
        EXPECT_EQ(r.error.offset, qt.offset);
        EXPECT_EQ(r.message, r.ok() ? QString() : qt.errorString());
        EXPECT_EQ(r.document, qtDocument);
    }
}

// A reader's bound on values counts commas and brackets outside strings, so
// the text at the bound parses and one more value is refused where it stands.
TEST(ParseJson, MoreValuesThanTheReaderAllowsAreRefusedBeforeQtBuildsThem) {
    const struct {
        QByteArray text;
        qint64 maxValues;
        int refusedAt;  // -1: parses
    } cases[] = {
        {"[1,2,3]", 3, -1},
        {"[1,2,3]", 2, 4},
        {R"({"a":"x,y,[z]","b":{}})", 3, -1},
        {R"({"a":"x,y,[z]","b":{}})", 2, 19},
        {"[" + QByteArray("{},").repeated(100000) + "{}]", 200002, -1},
        {"[" + QByteArray("{},").repeated(100000) + "{}]", 200001, 300001},
        {"[1,2,3]", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(40).constData());
        const JsonParseResult r = parseJson(c.text, c.maxValues);
        if (c.refusedAt < 0) {
            EXPECT_TRUE(r.ok()) << r.message.toStdString();
            EXPECT_EQ(r.document, QJsonDocument::fromJson(c.text));
        } else {
            EXPECT_EQ(r.error.error, QJsonParseError::DocumentTooLarge);
            EXPECT_EQ(r.error.offset, c.refusedAt);
            EXPECT_EQ(r.message, QStringLiteral("more than %1 values").arg(c.maxValues));
            EXPECT_TRUE(r.document.isNull());
        }
    }
}

}  // namespace
