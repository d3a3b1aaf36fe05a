#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "VpidReport.h"
#include "sdi/PayloadIdentifierFactory.h"
#include "support/ProgramRun.h"

namespace Corvane::Vpid {
namespace {

using Testing::ProgramRun;

ProgramRun vpid(const QStringList& arguments) {
    return Testing::runProgram(QStringLiteral(CORVANE_VPID_BIN), arguments);
}

QJsonValue json(const QStringList& arguments) {
    const ProgramRun run = vpid(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(run.out));
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

TEST(VpidTool, AnswersEachCommandLine) {
    struct Case {
        QStringList arguments;
        int exitCode;
        std::vector<const char*> texts;
    };
    const QString q = "0x89C98001";  // four quadrants: eight identical 1080-line identifiers
    const Case cases[] = {
        // No channel field: the one word stands for both data streams.
        {{"decode", "0x89C98001"},
         0,
         {"\n1920x1080p50 YCbCr:422:10 3G A Rec.709\n", "PictureRate", "validation: valid",
          "Standard: 1920x1080p50 YCbCr:422:10 3G A Rec.709\n"
          "  (the same identifier on all 2 data streams)"}},
        // Level B words carry their stream in the channel field: one is not enough.
        {{"decode", "0x8A492001"}, 0, {"Standard: incomplete"}},
        {{"decode", q, q, q, q, q, q, q, q},
         0,
         {"Standard: 3840x2160p50 YCbCr:422:10 QL 3G A SQ Rec.709"}},
        {{"decode", "0x12345678"}, 1, {"unknown payload and digital interface code 0x12"}},
        {{"decode", "0xG1"}, 2, {"is not a 32-bit hexadecimal word"}},
        {{"decode"}, 2, {"at least one"}},
        {{"standards"}, 2, {"exactly one of --analyser or --generator"}},
        {{"frobnicate"}, 2, {"unknown command"}},
        {{}, 2, {"missing command"}},
        {{"--frobnicate"}, 2, {"Unknown option 'frobnicate'"}},
        {{"--help"}, 0, {"decode"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ProgramRun run = vpid(c.arguments);
        for (const char* text : c.texts) {
            Testing::expectToolRun(run, c.exitCode, text);
        }
    }
}

TEST(VpidTool, JsonGivesTheStandardsTimingAndTheCatalogue) {
    const QJsonObject report = json({"decode", "89C98001", "0x89c98001", "--json"}).toObject();
    ASSERT_TRUE(report["complete"].toBool());
    const QJsonObject standard = report["standard"].toObject();
    EXPECT_EQ(standard["reference"].toString(), "1080p50");
    EXPECT_EQ(standard["totalRate"].toString(), "3G");
    const QJsonObject timing = standard["timing"].toObject();
    EXPECT_EQ(timing["frameWidth"].toInt(), 2640);
    EXPECT_EQ(timing["horizontalBlanking"].toInt(), 720);
    EXPECT_EQ(timing["verticalBlanking"].toInt(), 45);

    const QJsonArray rows = json({"standards", "--generator", "--json"}).toArray();
    ASSERT_EQ(rows.size(), 768);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first["reference"].toString(), "2160p47.95");
    EXPECT_EQ(first["linkRate"].toString(), "12G");
    EXPECT_EQ(first["words"].toArray().size(), 8);
    EXPECT_EQ(rows[767].toObject()["index"].toInt(), 767);
}

TEST(VpidReport, ParsesWordsAndReportsReservedBitsAndMixedStandards) {
    const std::pair<const char*, uint32_t> words[] = {
        {"0x89C98001", 0x89C98001u}, {"89c98001", 0x89C98001u}, {"0XFF", 0xFFu}, {" 1 ", 1u}};
    for (const auto& [text, word] : words) {
        EXPECT_EQ(parseWord(text), word) << text;
    }
    for (const char* text : {"", "0x", "123456789", "-1", "0x1g"}) {
        EXPECT_EQ(parseWord(text), std::nullopt) << text;
    }
    // Byte 4 bit 7 is reserved on 1080-line 3G level A; byte 1 0x85 is the wrong class.
    const QJsonObject reserved =
        describeIdentifier(*Sdi::PayloadIdentifierFactory::create(0x89C98081));
    EXPECT_EQ(reserved["reservedBits"].toArray().size(), 1);
    const QJsonObject mixed = decodeWords({0x89C98001, 0x85C98001});
    EXPECT_FALSE(mixed["complete"].toBool());
    EXPECT_TRUE(mixed["note"].toString().contains("different video"));
}

}  // namespace
}  // namespace Corvane::Vpid
