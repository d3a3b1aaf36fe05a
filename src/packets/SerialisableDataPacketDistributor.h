#pragma once

#include "packets/RawDataPacketReceiverInterface.h"
#include "packets/SerialisableDataPacket.h"
#include "packets/SerialisableDataPacketAcceptorInterface.h"

#include <QObject>
#include <QString>
#include <deque>
#include <map>
#include <memory>

namespace Corvane {

// The one receiver of JSON packets (identifier 0x1010, source instance 0):
// hands each packet to the acceptors registered for its class name, in
// registration order; one registered during a delivery takes packets from the
// next one on. It can itself be registered as an acceptor of another
// distributor. Acceptors are not owned and cannot be unregistered, so they
// must outlive the distributor's use of them.
class SerialisableDataPacketDistributor
    : public QObject,
      public SerialisableDataPacketAcceptorInterface,
      public RawDataPacketReceiverInterface<SerialisableDataPacket> {
    Q_OBJECT
public:
    explicit SerialisableDataPacketDistributor(QObject* parent = nullptr);
    ~SerialisableDataPacketDistributor() override;

    void receivePacket(std::shared_ptr<const SerialisableDataPacket> packet) override;
    bool canAcceptPacket(QString className) override;
    void acceptPacket(const SerialisableDataPacket& packet) override;

    // Asks the acceptor first; one that refuses the class is not registered.
    // Registering an acceptor twice makes it receive each packet twice.
    void registerPacketAcceptor(SerialisableDataPacketAcceptorInterface* acceptor,
                                QString className);
    void registerPacketAcceptor(SerialisableDataPacketAcceptorInterface* acceptor,
                                std::deque<QString> classNames);

private:
    std::map<QString, std::deque<SerialisableDataPacketAcceptorInterface*>> acceptors_;
};

}  // namespace Corvane
