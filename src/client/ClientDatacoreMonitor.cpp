#include "client/ClientDatacoreMonitor.h"

#include "client/ClientDatacore.h"
#include "client/NetworkConnection.h"
#include "packets/DatacorePacket.h"

#include <QJsonObject>
#include <list>

namespace Corvane {

ClientDatacoreMonitor::ClientDatacoreMonitor(NetworkConnection& connection, QObject* parent)
    : QObject(parent), connection_(connection) {}

void ClientDatacoreMonitor::onClientDatacoreUpdated(int packetIdentifier,
                                                    ClientDatacore* datacore) {
    if (datacore == nullptr || datacore->getChangedStatus() != DatacoreBase::changedDirectly) {
        return;
    }
    QJsonObject json;
    std::list<DatacoreJsonMessage> messages;
    datacore->appendDataToJson(QString(), json, true, false, messages);
    const DatacorePacket packet(connection_.getUniqueConnectionID(), packetIdentifier, json,
                                datacore->getDatacorePathOnServer());
    connection_.acceptPacket(packet);
}

}  // namespace Corvane
