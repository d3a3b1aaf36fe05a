#pragma once

#include "client/ClientDatacoreMonitor.h"
#include "client/ClientDatacorePopulator.h"
#include "client/ClientDatacoreRegistry.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"

#include <QObject>
#include <QStringList>

namespace Corvane {

class NetworkConnection;
class SerialisableDataPacketDistributor;
struct RadixTreeNode;

// The datacore client of one connection: registry, populator and monitor.
// When the server describes its trees (a "DatacorePathRadixTreePacket") and
// no datacores exist yet, creates one client datacore per node of the four
// trees. A path tree larger than a server may serve (ServerCommon's bounds
// on datacores and path bytes) is refused with one log line and creates
// nothing; the connection stays up, without datacores, and the next path
// tree that arrives (on this connection or after a reconnection) is taken as
// usual.
// Registers itself and the populator with the distributor, which
// cannot forget them: the manager must outlive the distributor's use.
class TqClientDatacoreManager : public QObject, public SerialisableDataPacketAcceptorInterface {
    Q_OBJECT
public:
    TqClientDatacoreManager(NetworkConnection& connection,
                            SerialisableDataPacketDistributor& distributor,
                            QObject* parent = nullptr);
    ~TqClientDatacoreManager() override;

    ClientDatacoreRegistry& getClientDatacoreRegistry() { return registry_; }

    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;

    // Every node of the tree as a path, pre-order: the root's name, then
    // "root/child", "root/child/grandchild", ...
    QStringList generateDatacorePathsFromRadixTreeNode(const RadixTreeNode& node) const;

private:
    // Destroyed in reverse: monitor, populator, then the registry with every
    // client datacore.
    ClientDatacoreRegistry registry_;
    ClientDatacorePopulator populator_;
    ClientDatacoreMonitor monitor_;
};

}  // namespace Corvane
