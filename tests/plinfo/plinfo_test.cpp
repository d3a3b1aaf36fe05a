// corvane-plinfo on a bitstream and a JEDEC file written here: the report,
// as text and as JSON, the fuse dump, and how it refuses what it cannot use.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <string>

#include "support/PlFiles.h"
#include "support/ProgramRun.h"

using namespace Corvane::Testing;

namespace {

class Plinfo : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        BitHeader bad;
        bad.firstLength = 8;
        for (const auto& [name, bytes] :
             {std::pair{"top.bit", BitHeader().bytes()}, std::pair{"cpld.jed", jedFile},
              std::pair{"bad.bit", bad.bytes()}}) {
            QFile f(path(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        }
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    ProgramRun run(const QStringList& args) const {
        QStringList withPaths;
        for (const QString& a : args) {
            withPaths << (a.contains('.') ? path(a.toLatin1().constData()) : a);
        }
        return runProgram(QStringLiteral(CORVANE_PLINFO), withPaths);
    }

    QTemporaryDir dir;
};

// Names with a dot are files in the test's directory. `text` is looked for
// in stdout on success, in the one stderr line otherwise.
TEST_F(Plinfo, ReportsDumpsAndRefuses) {
    const struct {
        QStringList args;
        int exitCode;
        const char* text;
    } cases[] = {
        {{"top.bit"},
         0,
         "design: top\nversion: 1-2.3(dev)\nvivado: 2019.2\ndevice: 7k325tffg900\n"
         "date: 2024/03/01\ntime: 12:34:56\nsize: 16909060\n"},
        {{"cpld.jed"}, 0, "device: LCMXO2-1200HC-4TG144C\nsize: 48\nusercode: 00 00 01 23\n"},
        {{"--fuses", "12", "--output", "rows.bin", "cpld.jed"}, 0, "3 rows of 2 bytes written to "},
        {{"--help"}, 0, "--fuses <ROWBITS>"},
        {{"bad.bit"}, 1, "bad.bit: the first field's length is not 9: not a bitstream file (-1)"},
        {{"missing.jed"}, 1, "cannot open "},
        {{}, 2, "expected one FILE"},
        {{"--fuses", "0", "cpld.jed"}, 2, "--fuses: '0' is not a row width"},
        {{"--fuses", "8", "top.bit"}, 2, "--fuses needs a JEDEC file"},
        {{"--output", "rows.bin", "cpld.jed"}, 2, "--output belongs to --fuses"},
        {{"--no-such-option", "top.bit"}, 2, "no-such-option"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun r = run(c.args);
        expectToolRun(r, c.exitCode, c.text);
        if (c.exitCode != 0) {
            EXPECT_EQ(r.out, "");
        }
    }
    // Rows of 12 fuses in two bytes each, the last four fuses in the top bits.
    QFile rows(path("rows.bin"));
    ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
    EXPECT_EQ(rows.readAll(), QByteArray("\xAA\xC0\xF0\xF0\x17\x00", 6));
}

TEST_F(Plinfo, JsonCarriesTheReportAndTheKind) {
    const struct {
        const char* file;
        const char* key;
        const char* value;
        const char* format;
        const char* sizeKey;
        int size;
    } cases[] = {
        {"top.bit", "version", "1-2.3(dev)", "bitstream", "size", 0x01020304},
        {"cpld.jed", "device", "LCMXO2-1200HC-4TG144C", "jedec", "fuseDataBytes", 48},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ProgramRun r = run({"--json", c.file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
        EXPECT_EQ(json.value(c.key).toString(), c.value) << r.out;
        EXPECT_EQ(json.value("format").toString(), c.format);
        EXPECT_EQ(json.value(c.sizeKey).toInt(), c.size);
    }
    const ProgramRun dump = run({"--json", "--fuses", "-12", "--output", "rows.bin", "cpld.jed"});
    EXPECT_EQ(
        QJsonDocument::fromJson(QByteArray::fromStdString(dump.out)).object(),
        (QJsonObject{
            {"rows", 3}, {"bytesPerRow", 2}, {"fuseBytes", 154}, {"output", path("rows.bin")}}))
        << dump.out << dump.err;
}

}  // namespace
