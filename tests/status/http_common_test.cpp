#include "status/HttpCommon.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace Corvane;

TEST(HttpCommon, ReasonPhrasesAndSuccessOverTheWholeCodeRange) {
    int withPhrase = 0;
    for (int code = -1; code < 1000; ++code) {
        const auto status = static_cast<HTTP::StatusCode>(code);
        withPhrase += HTTP::getMessageForStatusCode(status) != nullptr;
        const bool success = code == 200 || code == 201 || code == 202 || code == 204;
        EXPECT_EQ(HTTP::returnCodeIsSuccess(status), success) << code;
    }
    EXPECT_EQ(withPhrase, 18);
    EXPECT_EQ(HTTP::getMessageForStatusCode(HTTP::StatusCode(302)), nullptr);
    EXPECT_STREQ(HTTP::getMessageForStatusCode(HTTP::NoContent), "No Content");
    EXPECT_STREQ(HTTP::getMessageForStatusCode(HTTP::StatusCode(415)), "Unsupported Media Type");
    EXPECT_STREQ(HTTP::getMessageForStatusCode(HTTP::StatusCode(505)),
                 "HTTP Version Not Supported");
}

TEST(HttpCommon, MethodsMatchExactlyAndRoundTrip) {
    const QStringList names{"GET", "PUT", "POST", "DELETE", "OPTIONS"};
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(HTTP::stringToHttpMethod(names[i]), i);
        EXPECT_EQ(HTTP::HttpMethodToString(static_cast<HTTP::Method>(i)), names[i]);
    }
    for (const char* other : {"get", "Get", " GET", "GET ", "", "PATCH", "HEAD"}) {
        EXPECT_EQ(HTTP::stringToHttpMethod(QString::fromLatin1(other)), HTTP::NONE) << other;
    }
    for (int outside : {-1, 5, 6, 100}) {
        EXPECT_TRUE(HTTP::HttpMethodToString(static_cast<HTTP::Method>(outside)).isEmpty());
    }
}

TEST(HttpCommon, DateIsEnglishUtcWhateverTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // 09:49:37 at UTC+1 is 08:49:37 UTC.
    const QDateTime time(QDate(1994, 11, 6), QTime(9, 49, 37), Qt::OffsetFromUTC, 3600);
    EXPECT_EQ(HTTP::getDateInHttpTimeFormat(time), "Sun, 06 Nov 1994 08:49:37 GMT");

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    const QString now = HTTP::getDateInHttpTimeFormat();
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
    QLocale::setDefault(saved);
    QDateTime parsed =
        QLocale::c().toDateTime(now, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    parsed.setTimeSpec(Qt::UTC);
    ASSERT_TRUE(parsed.isValid()) << now.toStdString();
    EXPECT_GE(parsed, before.addMSecs(-before.time().msec()));
    EXPECT_LE(parsed, after);
}
