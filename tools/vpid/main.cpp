// corvane-vpid: decodes SMPTE ST 352 payload identifiers and lists the
// instrument's catalogue of video standards.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>

#include "VpidReport.h"
#include "common/CommandLine.h"

namespace {

// Every refusal of corvane-vpid is of its arguments.
int usageError(const QString& message) {
    return Corvane::Tools::fail(Corvane::Tools::usageStatus, message);
}

void print(const QString& text) {
    QTextStream(stdout) << text;
}

void printJson(const QJsonDocument& document) {
    QTextStream(stdout) << document.toJson(QJsonDocument::Indented);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-vpid"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Decodes SMPTE ST 352 payload identifiers and lists the supported video standards.\n\n"
        "  decode WORD...            decode identifier words (hex, with or without 0x); several\n"
        "                            words are the identifiers of one standard in link order\n"
        "  standards --analyser      the standards the analyser recognises, in catalogue order\n"
        "  standards --generator     the standards the generator produces, in catalogue order\n\n"
        "Example: corvane-vpid decode 0x89C98001");
    const QCommandLineOption json(QStringLiteral("json"), "Print JSON for scripts.");
    const QCommandLineOption analyser(QStringLiteral("analyser"), "List the analyser standards.");
    const QCommandLineOption generator(QStringLiteral("generator"),
                                       "List the generator standards.");
    parser.addOptions({json, analyser, generator});
    parser.addPositionalArgument(QStringLiteral("command"), "decode or standards");
    parser.addPositionalArgument(QStringLiteral("words"), "Payload identifier words (decode).",
                                 QStringLiteral("[WORD...]"));
    if (const auto status = Corvane::Tools::parseArguments(parser)) {
        return *status;
    }

    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        return usageError("missing command: decode or standards (see --help)");
    }
    const QString command = arguments.front();

    if (command == QLatin1String("decode")) {
        if (parser.isSet(analyser) || parser.isSet(generator)) {
            return usageError("--analyser and --generator belong to the standards command");
        }
        if (arguments.size() < 2) {
            return usageError("decode needs at least one payload identifier word");
        }
        std::vector<std::uint32_t> words;
        for (int i = 1; i < arguments.size(); ++i) {
            const auto word = Corvane::Vpid::parseWord(arguments[i]);
            if (!word) {
                return usageError(
                    QStringLiteral("'%1' is not a 32-bit hexadecimal word").arg(arguments[i]));
            }
            words.push_back(*word);
        }
        const QJsonObject report = Corvane::Vpid::decodeWords(words);
        if (parser.isSet(json)) {
            printJson(QJsonDocument(report));
        } else {
            print(Corvane::Vpid::formatDecodeReport(report));
        }
        int status = 0;
        for (const QJsonValue& id : report["identifiers"].toArray()) {
            if (id.toObject().contains("error")) {
                QTextStream(stderr) << "corvane-vpid: " << id["word"].toString() << ": "
                                    << id["error"].toString() << "\n";
                status = 1;
            }
        }
        return status;
    }

    if (command == QLatin1String("standards")) {
        if (arguments.size() > 1) {
            return usageError("standards takes no words");
        }
        if (parser.isSet(analyser) == parser.isSet(generator)) {
            return usageError("standards needs exactly one of --analyser or --generator");
        }
        const auto& catalogue = Corvane::Sdi::SupportedVideoStandards::instance();
        const QJsonArray rows = Corvane::Vpid::listStandards(
            parser.isSet(analyser) ? catalogue.getSupportedAnalyserStandards()
                                   : catalogue.getSupportedGeneratorStandards());
        if (parser.isSet(json)) {
            printJson(QJsonDocument(rows));
        } else {
            print(Corvane::Vpid::formatStandardList(rows));
        }
        return 0;
    }

    return usageError(QStringLiteral("unknown command '%1': use decode or standards").arg(command));
}
