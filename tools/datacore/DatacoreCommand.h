#pragma once

// What corvane-datacore was asked to do, and how it prints what it found.
// Everything here is checked or formatted without a connection, so a typo
// costs no round trip to the server.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "client/DatacoreValueText.h"
#include "common/CommandLine.h"
#include "common/DatacoreState.h"

namespace Corvane::Tools {

// parseCommand's usage errors are ToolErrors (common/CommandLine.h).

// One PATH=VALUE[,VALUE...] of `set`.
struct Assignment {
    QString path;
    QStringList values;
};

struct DatacoreCommand {
    enum class Verb { paths, get, set, watch };

    Verb verb = Verb::paths;
    // get and watch: the paths as given; set: each touched path once, in
    // the order of first use.
    QStringList paths;
    std::vector<Assignment> assignments;  // set, in argument order
    quint32 count = 0;                    // watch: updates to wait for, 0 = no limit
};

// The command and its arguments after the options; `countText` is the
// --count value, or a null string when the option was not given.
DatacoreCommand parseCommand(const QStringList& arguments, const QString& countText);

// VALUE[,VALUE...] is read by splitValues and data is printed by
// joinValues (client/DatacoreValueText.h), as the monitor window does.

// "path = data [valid, active]", then one indented line per reason. The
// lost packet count is shown when `withLostPackets` (after a set).
QString stateText(const DatacoreState& state, bool withLostPackets);

}  // namespace Corvane::Tools
