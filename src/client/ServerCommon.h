#pragma once

#include <QString>

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

// The name of a tree's root datacore ("configCoreRouter", "statusCoreRouter",
// "commandCoreRouter", "persistentConfigCoreRouter"); empty for anything else.
QString rootDatacoreName(DatacoreTree tree);

}  // namespace Corvane::ServerCommon
