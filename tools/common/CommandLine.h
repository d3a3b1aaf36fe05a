#pragma once

// What every command-line tool does the same way: one line on stderr for an
// error, exit status 1 for a failure and 2 for a usage error, -h/--help.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "common/NumberText.h"

namespace Corvane::Tools {

constexpr int failureStatus = 1;
constexpr int usageStatus = 2;

// A failure worth one line on stderr, with the status the tool exits with.
struct ToolError : std::runtime_error {
    explicit ToolError(const QString& message, int code = failureStatus)
        : std::runtime_error(message.toStdString()), exitCode(code) {}
    int exitCode;
};

// One line on stderr, led by the tool's name (set it with
// QCoreApplication::setApplicationName, which works before the application
// object exists); returns the status to exit with.
inline int fail(int status, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(QCoreApplication::applicationName()),
                 qUtf8Printable(message));
    return status;
}

inline int fail(const ToolError& error) {
    return fail(error.exitCode, QString::fromStdString(error.what()));
}

namespace Detail {

template <typename PrintHelp>
std::optional<int> parse(QCommandLineParser& parser, const QStringList& arguments,
                         PrintHelp printHelp) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        return fail(usageStatus, parser.errorText());
    }
    if (parser.isSet(help)) {
        printHelp();
        return 0;
    }
    return std::nullopt;
}

}  // namespace Detail

// Adds -h/--help and parses the arguments: a usage error is one line on
// stderr and exit status 2 (QCommandLineParser::process would exit with 1),
// --help prints the help and 0. Nothing when the tool carries on.
inline std::optional<int> parseArguments(QCommandLineParser& parser) {
    return Detail::parse(parser, QCoreApplication::arguments(),
                         [&parser] { std::fputs(qUtf8Printable(parser.helpText()), stdout); });
}

// The same for a GUI tool, before its QApplication exists: --help and usage
// errors then need no display.
inline std::optional<int> parseArguments(QCommandLineParser& parser, int& argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return Detail::parse(parser, arguments, [&] {
        // The help text takes the program's name from an application object;
        // a console one needs no display.
        const QCoreApplication console(argc, argv);
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
    });
}

// Whether a port of 0 (the system picks a free one) is accepted.
enum class AnyPort { refused, allowed };

// The value of the parser's --port option; a usage error (ToolError, status
// 2) when it is no port.
inline quint16 portOption(const QCommandLineParser& parser, AnyPort any = AnyPort::refused) {
    const QString text = parser.value(QStringLiteral("port"));
    const auto port = parseNumber(text);
    if (!port || *port > 65535 || (*port == 0 && any == AnyPort::refused)) {
        throw ToolError(QStringLiteral("--port: '%1' is not a port").arg(text), usageStatus);
    }
    return static_cast<quint16>(*port);
}

}  // namespace Corvane::Tools
