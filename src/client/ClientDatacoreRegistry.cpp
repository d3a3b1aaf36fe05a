#include "client/ClientDatacoreRegistry.h"

#include "app/Logging.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreMonitor.h"
#include "client/NetworkConnection.h"

#include <utility>

namespace Corvane {

ClientDatacoreRegistry::ClientDatacoreRegistry(NetworkConnection& connection, QObject* parent)
    : QObject(parent) {
    connect(&connection, &NetworkConnection::disconnectedFromHost, this,
            &ClientDatacoreRegistry::onDisconnectedFromServer);
}

ClientDatacoreRegistry::~ClientDatacoreRegistry() {
    clearRegistry();
}

ClientDatacore* ClientDatacoreRegistry::lookupDatacoreFromPath(QString path) const {
    const auto found = datacores_.find(path);
    return found == datacores_.end() ? nullptr : found->second.get();
}

void ClientDatacoreRegistry::requestLookupDatacoreFromPath(QString path) {
    emit lookupRequestResult(lookupDatacoreFromPath(std::move(path)));
}

bool ClientDatacoreRegistry::registerDatacore(QString path, ClientDatacore* datacore) {
    if (datacores_.count(path) != 0) {
        return false;
    }
    datacores_.emplace(std::move(path), std::unique_ptr<ClientDatacore>(datacore));
    return true;
}

void ClientDatacoreRegistry::clearRegistry() {
    if (datacores_.empty()) {
        return;
    }
    // Taken out before any is destroyed, so nothing a dying datacore sets
    // off can look up one that is already gone.
    std::map<QString, std::unique_ptr<ClientDatacore>> dying;
    dying.swap(datacores_);
    for (auto& entry : dying) {
        entry.second.reset();
    }
    emit registryHasBeenCleared();
}

void ClientDatacoreRegistry::onDisconnectedFromServer() {
    clearRegistry();
}

void ClientDatacoreRegistry::populateRegistry(const QStringList& paths,
                                              const ClientDatacoreMonitor& monitor) {
    if (!datacores_.empty()) {
        return;
    }
    const QChar delimiter = QLatin1Char('/');
    for (const QString& path : paths) {
        if (path.endsWith(delimiter)) {
            logf(LogLevel::error, "Cannot create datacore with incomplete path: {}", path);
            continue;
        }
        const int lastDelimiter = path.lastIndexOf(delimiter);
        if (lastDelimiter < 0) {
            logf(LogLevel::error,
                 "No delimiter, assuming root datacore and creating ClientDatacore for: {}", path);
        }
        auto datacore = std::make_unique<ClientDatacore>(
            QStringLiteral("ClientDatacore"), path.mid(lastDelimiter + 1), nullptr, path);
        ClientDatacore* created = datacore.get();
        if (!registerDatacore(created->getDatacorePathOnServer(), created)) {
            // No lookup could ever reach a second datacore for the path, so
            // it is not kept at all.
            logf(LogLevel::error, "ClientDatacoreRegistry: Cannot create two cores for path '{}'.",
                 path);
            continue;
        }
        static_cast<void>(datacore.release());  // datacores_ owns it now
        connect(created, &ClientDatacore::clientDatacoreHasUpdateForServer, &monitor,
                &ClientDatacoreMonitor::onClientDatacoreUpdated, Qt::DirectConnection);
    }
    emit registryHasBeenPopulated();
}

}  // namespace Corvane
