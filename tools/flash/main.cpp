// corvane-flash: erases and writes the controller's flash partitions (the
// MTD character devices) and writes the unit's serial/MAC record.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <climits>
#include <optional>

#include "common/CommandLine.h"
#include "common/NumberText.h"
#include "platform/flash.h"
#include "platform/serialmac.h"

using Corvane::Tools::fail;
using Corvane::Tools::parseNumber;

namespace {

constexpr unsigned int largestSerial = 999999;  // the record holds six digits

// "-" is the standard stream, which the flash functions name "".
QByteArray streamName(const QString& argument) {
    return argument == QLatin1String("-") ? QByteArray() : argument.toLocal8Bit();
}

void report(bool json, const QJsonObject& result, const QString& text) {
    QTextStream out(stdout);
    if (json) {
        out << QJsonDocument(result).toJson(QJsonDocument::Compact) << "\n";
    } else {
        out << text << "\n";
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-flash"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Erases and writes flash partitions (MTD devices such as /dev/mtd9) and the unit's\n"
        "serial/MAC record on /dev/mtd8. Writing to a partition erases the blocks it covers\n"
        "first. SIZE is in bytes, decimal or 0x-hex; '-' is standard input or output.\n\n"
        "  erase DEV [SIZE]       the blocks covering SIZE bytes, or the whole partition\n"
        "  copy SRC DST [SIZE]    SIZE bytes (default: the whole source) between files,\n"
        "                         partitions and the standard streams\n"
        "  serial --set N         a new record for serial N (0-999999), MAC from the maker's\n"
        "                         prefix and N, then the /nostart marker\n\n"
        "Example: corvane-flash --progress copy fpga.bin /dev/mtd9");
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, "Show this help.");
    const QCommandLineOption json(QStringLiteral("json"), "Print the result as JSON.");
    const QCommandLineOption noisy(QStringLiteral("noisy"),
                                   "Messages and an in-place percentage on stderr.");
    const QCommandLineOption progress(QStringLiteral("progress"),
                                      "Each new percentage on its own line on stderr, for a "
                                      "supervising program.");
    const QCommandLineOption set(QStringLiteral("set"), "serial: the new serial number.",
                                 QStringLiteral("N"));
    parser.addOptions({json, noisy, progress, set});
    parser.addPositionalArgument(QStringLiteral("command"), "erase, copy or serial");
    parser.addPositionalArgument(QStringLiteral("args"), "The command's arguments.",
                                 QStringLiteral("[ARGS...]"));
    if (const auto status = Corvane::Tools::parseArguments(parser)) {
        return *status;
    }
    if (parser.isSet(noisy) && parser.isSet(progress)) {
        return fail(2, "--noisy and --progress exclude each other");
    }
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        return fail(2, "missing command: erase, copy or serial (see --help)");
    }
    const QString command = args.front();
    if (parser.isSet(set) && command != QLatin1String("serial")) {
        return fail(2, "--set belongs to the serial command");
    }
    setNoisy(parser.isSet(noisy));
    if (parser.isSet(progress)) {
        setProgress(true);
    }

    if (command == QLatin1String("erase")) {
        if (args.size() < 2 || args.size() > 3) {
            return fail(2, "erase needs DEV and at most a SIZE");
        }
        std::optional<std::uint32_t> size = FLASH_ERASE_ALL;
        if (args.size() == 3 && !(size = parseNumber(args[2]))) {
            return fail(2, QStringLiteral("'%1' is not a size in bytes").arg(args[2]));
        }
        const int result = flashErase(args[1].toLocal8Bit().constData(), *size);
        if (result != 0) {
            return fail(
                1, QStringLiteral("erasing %1 failed (%2)")
                       .arg(args[1], result == -2 ? QStringLiteral("cannot open it as a partition")
                                                  : QStringLiteral("the erase request failed")));
        }
        const bool whole = *size == FLASH_ERASE_ALL;
        QJsonObject out{{"erased", args[1]}};
        if (!whole) {
            out["size"] = static_cast<qint64>(*size);
        }
        report(parser.isSet(json), out,
               whole ? QStringLiteral("erased %1").arg(args[1])
                     : QStringLiteral("erased the blocks covering %1 bytes of %2")
                           .arg(*size)
                           .arg(args[1]));
        return 0;
    }

    if (command == QLatin1String("copy")) {
        if (args.size() < 3 || args.size() > 4) {
            return fail(2, "copy needs SRC, DST and at most a SIZE");
        }
        int size = -1;
        if (args.size() == 4) {
            const auto n = parseNumber(args[3]);
            if (!n || *n > static_cast<std::uint32_t>(INT_MAX)) {
                return fail(2, QStringLiteral("'%1' is not a size in bytes").arg(args[3]));
            }
            size = static_cast<int>(*n);
        }
        const bool toStdout = args[2] == QLatin1String("-");
        if (toStdout && parser.isSet(json)) {
            return fail(2, "--json and a copy to standard output exclude each other");
        }
        const int result =
            flashCopy(streamName(args[1]).constData(), streamName(args[2]).constData(), size);
        if (result != 0) {
            return fail(1, QStringLiteral("copying %1 to %2 failed (%3)")
                               .arg(args[1], args[2], QString::fromUtf8(flashCopyFailure(result))));
        }
        if (!toStdout) {
            QJsonObject out{{"source", args[1]}, {"destination", args[2]}};
            if (size >= 0) {
                out["size"] = size;
            }
            report(parser.isSet(json), out,
                   QStringLiteral("copied %1 to %2").arg(args[1], args[2]));
        }
        return 0;
    }

    if (command == QLatin1String("serial")) {
        if (args.size() != 1 || !parser.isSet(set)) {
            return fail(2, "serial takes no arguments but --set N");
        }
        const auto serial = parseNumber(parser.value(set));
        if (!serial || *serial > largestSerial) {
            return fail(2, QStringLiteral("--set: '%1' is not a serial number of at most six "
                                          "digits")
                               .arg(parser.value(set)));
        }
        if (setSerialAndMac(*serial) != 0) {
            return fail(1, QStringLiteral("writing the record to %1 failed: %2")
                               .arg(SERIALMAC_DEVICE, QString::fromUtf8(setSerialAndMacFailure())));
        }
        report(parser.isSet(json), {{"serial", static_cast<qint64>(*serial)}},
               QStringLiteral("serial %1 written to %2").arg(*serial).arg(SERIALMAC_DEVICE));
        return 0;
    }

    return fail(2, QStringLiteral("unknown command '%1': use erase, copy or serial").arg(command));
}
