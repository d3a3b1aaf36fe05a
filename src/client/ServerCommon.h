#pragma once

#include "packets/DatacorePathRadixTreePacket.h"

#include <QString>
#include <QtGlobal>

namespace Corvane::ServerCommon {

inline constexpr quint16 defaultPort = 9431;  // where a datacore server listens by default

// The datacore trees a server keeps.
enum DatacoreTree : int {
    configTree = 0,
    statusTree = 1,
    commandTree = 2,
    persistentConfigTree = 3,
    invalidTree = 4,
};

// What the four trees of one server may hold together (the path tree packet
// defines it, as it carries all four).
constexpr int maxDatacores = DatacorePathRadixTreePacket::maxDatacores;
// The full paths of all those datacores ("statusCoreRouter/input/sdi1", roots
// included), counted as a client holds them: two bytes per UTF-16 code unit.
// Bounds what a chain of long names costs, which grows with the square of its
// depth.
constexpr qint64 maxDatacorePathBytes = 16 * 1024 * 1024;

// The name of a tree's root datacore ("configCoreRouter", "statusCoreRouter",
// "commandCoreRouter", "persistentConfigCoreRouter"); empty for anything else.
QString rootDatacoreName(DatacoreTree tree);

}  // namespace Corvane::ServerCommon
