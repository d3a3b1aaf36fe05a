#pragma once

#include "packets/DatacorePacket.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"

#include <QObject>
#include <QString>

namespace Corvane {

class ClientDatacoreRegistry;
class NetworkConnection;
class SerialisableDataPacketDistributor;

// Applies every received "DatacorePacket" to the client datacore whose path
// it names. A packet tagged with this connection's identifier is the echo
// of one of our own changes and is tracked; anything else is applied at
// once. Registers itself with the distributor, which cannot forget it: the
// populator must outlive the distributor's use.
class ClientDatacorePopulator : public QObject, public SerialisableDataPacketAcceptorInterface {
    Q_OBJECT
public:
    ClientDatacorePopulator(NetworkConnection& connection, ClientDatacoreRegistry& registry,
                            SerialisableDataPacketDistributor& distributor,
                            QObject* parent = nullptr);

    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;
    Q_INVOKABLE virtual void populateClientDatacoreFromJson(DatacorePacket datacorePacket);

private:
    NetworkConnection& connection_;
    ClientDatacoreRegistry& registry_;
};

}  // namespace Corvane
