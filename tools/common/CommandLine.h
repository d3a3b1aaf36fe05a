#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <optional>

namespace Corvane::Tools {

// One line on stderr, led by the tool's name; returns status to exit with.
inline int fail(int status, const QString& message) {
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << "\n";
    return status;
}

// Adds -h/--help and parses the arguments: a usage error is one line on
// stderr and exit status 2 (QCommandLineParser::process would exit with 1),
// --help prints the help and 0. Nothing when the tool carries on.
inline std::optional<int> parseArguments(QCommandLineParser& parser) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(QCoreApplication::arguments())) {
        return fail(2, parser.errorText());
    }
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    return std::nullopt;
}

}  // namespace Corvane::Tools
