#include "client/ServerCommon.h"

namespace Corvane::ServerCommon {

QString rootDatacoreName(DatacoreTree tree) {
    switch (tree) {
        case configTree:
            return QStringLiteral("configCoreRouter");
        case statusTree:
            return QStringLiteral("statusCoreRouter");
        case commandTree:
            return QStringLiteral("commandCoreRouter");
        case persistentConfigTree:
            return QStringLiteral("persistentConfigCoreRouter");
        case invalidTree:
            break;
    }
    return QString();
}

}  // namespace Corvane::ServerCommon
