#pragma once

#include <QObject>

namespace Corvane {

class ClientDatacore;
class NetworkConnection;

// Sends each direct change of a client datacore to the server as a
// "DatacorePacket" tagged with the connection's identifier and the change's
// packet identifier. Must be reached synchronously (direct connection): it
// reads the datacore's changed status, which is reset right after.
class ClientDatacoreMonitor : public QObject {
    Q_OBJECT
public:
    explicit ClientDatacoreMonitor(NetworkConnection& connection, QObject* parent = nullptr);

public slots:
    void onClientDatacoreUpdated(int packetIdentifier, ClientDatacore* datacore);

private:
    NetworkConnection& connection_;
};

}  // namespace Corvane
