#include "client/ClientDatacorePopulator.h"

#include "app/Logging.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/NetworkConnection.h"
#include "packets/SerialisableDataPacketDistributor.h"

namespace Corvane {

ClientDatacorePopulator::ClientDatacorePopulator(NetworkConnection& connection,
                                                 ClientDatacoreRegistry& registry,
                                                 SerialisableDataPacketDistributor& distributor,
                                                 QObject* parent)
    : QObject(parent), connection_(connection), registry_(registry) {
    distributor.registerPacketAcceptor(this, QString::fromLatin1(DatacorePacket::className));
}

bool ClientDatacorePopulator::canAcceptPacket(QString className) {
    return className == QLatin1String(DatacorePacket::className);
}

void ClientDatacorePopulator::acceptPacket(const SerialisableDataPacket& packet) {
    if (!canAcceptPacket(packet.getPacketClassName())) {
        return;
    }
    DatacorePacket datacorePacket(QString::fromLatin1(DatacorePacket::className));
    datacorePacket.setJsonObject(packet.getJsonObject());
    populateClientDatacoreFromJson(std::move(datacorePacket));
}

void ClientDatacorePopulator::populateClientDatacoreFromJson(DatacorePacket datacorePacket) {
    const QString path = datacorePacket.getDatacorePath();
    ClientDatacore* datacore = registry_.lookupDatacoreFromPath(path);
    if (datacore != nullptr) {
        // Our own change coming back, rather than someone else's.
        const bool tracked = datacorePacket.containsClientID() &&
                             datacorePacket.getClientID() == connection_.getUniqueConnectionID();
        datacore->populateDataFromDatacorePacket(datacorePacket, tracked);
    } else if (registry_.isEmpty()) {
        logf(LogLevel::info, "Client datacore populator: Registry is empty, no way to populate: {}",
             path);
    } else {
        logf(LogLevel::info,
             "Client datacore populator: Registry does not contain datacore with path: {}", path);
    }
}

}  // namespace Corvane
