#pragma once

#include <QString>
#include <QStringList>

namespace Corvane {

// A datacore's data (a list of strings) as one line a person can type:
// commas separate values, "\," is a literal comma and "\\" a backslash; any
// other backslash stands for itself. The command-line client and the
// monitor window read and show values this way.
QStringList splitValues(const QString& text);
// The inverse of splitValues, so that shown data can be set again as it
// stands.
QString joinValues(const QStringList& values);

}  // namespace Corvane
