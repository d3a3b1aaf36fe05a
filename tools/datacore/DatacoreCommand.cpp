#include "DatacoreCommand.h"

#include <QJsonArray>

#include "common/NumberText.h"

namespace Corvane::Tools {
namespace {

struct Form {
    const char* name;
    DatacoreCommand::Verb verb;
    bool takesArguments;
    const char* usage;
};

const Form forms[] = {
    {"paths", DatacoreCommand::Verb::paths, false, "paths"},
    {"get", DatacoreCommand::Verb::get, true, "get PATH..."},
    {"set", DatacoreCommand::Verb::set, true, "set PATH=VALUE[,VALUE...]..."},
    {"watch", DatacoreCommand::Verb::watch, true, "watch PATH... [--count N]"},
};

Assignment parseAssignment(const QString& argument) {
    const int equals = argument.indexOf(QLatin1Char('='));
    if (equals < 0) {
        throw ToolError(QStringLiteral("set: '%1' is not PATH=VALUE").arg(argument), usageStatus);
    }
    if (equals == 0) {
        throw ToolError(QStringLiteral("set: '%1' names no datacore").arg(argument), usageStatus);
    }
    return {argument.left(equals), splitValues(argument.mid(equals + 1))};
}

}  // namespace

DatacoreCommand parseCommand(const QStringList& arguments, const QString& countText) {
    if (arguments.isEmpty()) {
        throw ToolError(QStringLiteral("no command given (see --help)"), usageStatus);
    }
    const Form* form = nullptr;
    for (const Form& f : forms) {
        if (arguments[0] == QLatin1String(f.name)) {
            form = &f;
        }
    }
    if (form == nullptr) {
        throw ToolError(QStringLiteral("unknown command '%1' (see --help)").arg(arguments[0]),
                        usageStatus);
    }
    const QStringList rest = arguments.mid(1);
    if (rest.isEmpty() == form->takesArguments) {
        throw ToolError(
            QStringLiteral("usage: corvane-datacore %1").arg(QLatin1String(form->usage)),
            usageStatus);
    }

    DatacoreCommand command;
    command.verb = form->verb;
    if (!countText.isNull()) {
        const auto n = parseNumber(countText);
        if (command.verb != DatacoreCommand::Verb::watch) {
            throw ToolError(QStringLiteral("--count belongs to watch"), usageStatus);
        }
        if (!n || *n == 0) {
            throw ToolError(QStringLiteral("--count: '%1' is not a positive number").arg(countText),
                            usageStatus);
        }
        command.count = *n;
    }
    if (command.verb != DatacoreCommand::Verb::set) {
        command.paths = rest;
        return command;
    }
    for (const QString& argument : rest) {
        command.assignments.push_back(parseAssignment(argument));
        if (!command.paths.contains(command.assignments.back().path)) {
            command.paths.append(command.assignments.back().path);
        }
    }
    return command;
}

QString stateText(const DatacoreState& state, bool withLostPackets) {
    QStringList flags{state.valid ? QStringLiteral("valid") : QStringLiteral("invalid"),
                      state.active ? QStringLiteral("active") : QStringLiteral("inactive")};
    if (!state.inSync) {
        flags.append(QStringLiteral("out of sync"));
    }
    if (withLostPackets) {
        flags.append(QStringLiteral("lost packets: %1").arg(state.lostPackets));
    }
    const QString data =
        state.data.isEmpty() ? QStringLiteral("(no data)") : joinValues(state.data);
    QString text = QStringLiteral("%1 = %2 [%3]").arg(state.path, data, flags.join(", "));
    for (const QString& message : state.messages) {
        text += QStringLiteral("\n    ") + message;
    }
    return text;
}

}  // namespace Corvane::Tools
