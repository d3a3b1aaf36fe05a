// corvane-plinfo: what an FPGA bitstream (.bit) or CPLD JEDEC fuse file
// (.jed) holds, and the JEDEC fuse rows as packed binary.

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "common/CommandLine.h"
#include "common/NumberText.h"
#include "platform/bitfile.h"
#include "platform/jedfile.h"

using Corvane::Tools::fail;
using Corvane::Tools::parseNumber;

namespace {

struct CloseFile {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, CloseFile>;

// What the parsers print on stdout, caught for --json. The parsers write
// with printf, so stdout itself is pointed at a scratch file meanwhile.
template <typename F>
std::optional<QByteArray> captureStdout(F&& run, int& result) {
    File scratch(std::tmpfile());
    if (!scratch) {
        return std::nullopt;
    }
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    if (saved < 0) {
        return std::nullopt;
    }
    ::dup2(::fileno(scratch.get()), STDOUT_FILENO);
    result = run();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    QFile caught;
    if (!caught.open(::fileno(scratch.get()), QIODevice::ReadOnly) || !caught.seek(0)) {
        return std::nullopt;
    }
    return caught.readAll();
}

// "key: value" lines as one JSON object (a repeated key keeps its last value).
QJsonObject reportToJson(const QByteArray& report) {
    QJsonObject object;
    for (const QByteArray& line : report.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0) {
            object[QString::fromUtf8(line.left(colon))] =
                QString::fromUtf8(line.mid(colon + 1).trimmed());
        }
    }
    return object;
}

// A row width: ROWBITS or -ROWBITS (backwards), through the shared parser.
std::optional<int> parseRowBits(const QString& text) {
    const bool backwards = text.startsWith(QLatin1Char('-'));
    const auto magnitude = parseNumber(backwards ? text.mid(1) : text);
    if (!magnitude || *magnitude == 0 || *magnitude > JED_MAX_LINE) {
        return std::nullopt;
    }
    const int bits = static_cast<int>(*magnitude);
    return backwards ? -bits : bits;
}

QString bitfileFailure(int code) {
    static const std::map<int, const char*> failures = {
        {-1, "the first field's length is not 9: not a bitstream file"},
        {-2, "the file ends inside the preamble"},
        {-3, "the second field's length is not 1"},
        {-4, "no design field ('a')"},
        {-5, "the file ends inside the design text"},
        {-6, "no ';' after the design name"},
        {-7, "no UserID field in the design text"},
        {-8, "nothing after the user id in the design text"},
        {-9, "no Version field after the user id"},
        {-10, "no part field ('b')"},
        {-11, "the file ends inside the part text"},
        {-12, "no date field ('c')"},
        {-13, "the date is 16 bytes or longer"},
        {-14, "the file ends inside the date"},
        {-15, "no time field ('d')"},
        {-16, "the time is 16 bytes or longer"},
        {-17, "the file ends inside the time"},
        {-18, "no bitstream length field ('e')"},
        {-19, "no field after the one before the user id"},
    };
    const auto found = failures.find(code);
    return QStringLiteral("%1 (%2)")
        .arg(found == failures.end() ? "malformed bitstream header" : found->second)
        .arg(code);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-plinfo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Reports what a programmable-logic file holds: an FPGA bitstream's header (design,\n"
        "version from the user id, tool version, device, date, time, bitstream size) or a\n"
        "CPLD JEDEC fuse file (design, device, tool, date, user code, feature row, fuse\n"
        "data size). The kind is taken from the name (.bit or .jed), else from the first\n"
        "byte (STX starts a JEDEC file).\n\n"
        "--fuses ROWBITS writes the JEDEC fuse rows as packed binary instead, each row of\n"
        "ROWBITS fuses in (ROWBITS + 7) / 8 bytes, first fuse as the top bit; a negative\n"
        "ROWBITS reads each row from its last fuse. A row's last partial byte holds the\n"
        "remaining fuses in its top bits.\n\n"
        "Example: corvane-plinfo --fuses 128 --output cpld.bin cpld.jed");
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, "Show this help.");
    const QCommandLineOption json(QStringLiteral("json"), "Print the report as JSON.");
    const QCommandLineOption fuses(QStringLiteral("fuses"),
                                   "Dump the JEDEC fuse rows of ROWBITS fuses as binary.",
                                   QStringLiteral("ROWBITS"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    "With --fuses: write to FILE instead of standard output.",
                                    QStringLiteral("FILE"));
    parser.addOptions({json, fuses, output});
    parser.addPositionalArgument(QStringLiteral("FILE"), "A .bit or .jed file.");
    if (const auto status = Corvane::Tools::parseArguments(parser)) {
        return *status;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        return fail(2, "expected one FILE (see --help)");
    }
    const QString path = args.front();
    std::optional<int> rowBits;
    if (parser.isSet(fuses) && !(rowBits = parseRowBits(parser.value(fuses)))) {
        return fail(2, QStringLiteral("--fuses: '%1' is not a row width of 1 to %2 fuses")
                           .arg(parser.value(fuses))
                           .arg(JED_MAX_LINE));
    }
    if (parser.isSet(output) && !rowBits) {
        return fail(2, "--output belongs to --fuses");
    }

    File file(std::fopen(path.toLocal8Bit().constData(), "rb"));
    if (!file) {
        return fail(1, QStringLiteral("cannot open %1").arg(path));
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool jedec = suffix == QLatin1String("jed");
    if (suffix != QLatin1String("jed") && suffix != QLatin1String("bit")) {
        const int first = std::fgetc(file.get());
        jedec = first == 0x02;
        std::rewind(file.get());
    }
    if (rowBits && !jedec) {
        return fail(2, "--fuses needs a JEDEC file");
    }

    if (rowBits) {
        const bool toFile = parser.isSet(output);
        File out(toFile ? std::fopen(parser.value(output).toLocal8Bit().constData(), "wb")
                        : nullptr);
        if (toFile && !out) {
            return fail(1, QStringLiteral("cannot write %1").arg(parser.value(output)));
        }
        // The size pass stops at the fuse list, where the dump starts.
        const int bytes = jedParseHeader(file.get(), 1);
        if (bytes < 0) {
            return fail(1, QStringLiteral("%1: %2").arg(
                               path, QString::fromUtf8(jedParseHeaderFailure(bytes))));
        }
        const int rows = jedDumpBinaryFuseData(file.get(), *rowBits, toFile ? out.get() : stdout);
        if (rows < 0 || (toFile && std::fflush(out.get()) != 0)) {
            return fail(
                1, QStringLiteral("%1: the fuse list ends early or cannot be written").arg(path));
        }
        if (toFile) {
            const QJsonObject result{{"rows", rows},
                                     {"bytesPerRow", (std::abs(*rowBits) + 7) / 8},
                                     {"fuseBytes", bytes},
                                     {"output", parser.value(output)}};
            QTextStream(stdout) << (parser.isSet(json)
                                        ? QString::fromUtf8(
                                              QJsonDocument(result).toJson(QJsonDocument::Compact))
                                        : QStringLiteral("%1 rows of %2 bytes written to %3")
                                              .arg(rows)
                                              .arg(result["bytesPerRow"].toInt())
                                              .arg(parser.value(output)))
                                << "\n";
        }
        return 0;
    }

    const std::function<int()> parse = [&] {
        return jedec ? jedParseHeader(file.get(), 0) : bitfileParseHeader(file.get(), true);
    };
    int result = 0;
    if (parser.isSet(json)) {
        const auto report = captureStdout(parse, result);
        if (!report) {
            return fail(1, "cannot catch the report for --json");
        }
        if (result >= 0) {
            QJsonObject object = reportToJson(*report);
            object[QStringLiteral("format")] = jedec ? "jedec" : "bitstream";
            object[jedec ? QStringLiteral("fuseDataBytes") : QStringLiteral("size")] = result;
            QTextStream(stdout) << QJsonDocument(object).toJson(QJsonDocument::Indented);
        }
    } else {
        result = parse();
        std::fflush(stdout);
    }
    if (result < 0) {
        return fail(1, QStringLiteral("%1: %2").arg(
                           path, jedec ? QString::fromUtf8(jedParseHeaderFailure(result))
                                       : bitfileFailure(result)));
    }
    return 0;
}
