#pragma once

#include <QString>
#include <QtGlobal>

namespace Corvane::ServerCommon {

// The datacore trees a server keeps.
enum DatacoreTree : int {
    configTree = 0,
    statusTree = 1,
    commandTree = 2,
    persistentConfigTree = 3,
    invalidTree = 4,
};

// What the four trees of one server may hold together, and so what a client
// mirrors of them: the server refuses a file that describes more, a client a
// path tree that does. Real trees are a few thousand datacores.
constexpr int maxDatacores = 65536;
// The full paths of all those datacores ("statusCoreRouter/input/sdi1", roots
// included), counted as a client holds them: two bytes per UTF-16 code unit.
// Bounds what a chain of long names costs, which grows with the square of its
// depth.
constexpr qint64 maxDatacorePathBytes = 16 * 1024 * 1024;

// The name of a tree's root datacore ("configCoreRouter", "statusCoreRouter",
// "commandCoreRouter", "persistentConfigCoreRouter"); empty for anything else.
QString rootDatacoreName(DatacoreTree tree);

}  // namespace Corvane::ServerCommon
