#include "packets/SerialisableDataPacketDistributor.h"

#include "app/Logging.h"

#include <utility>

namespace Corvane {

SerialisableDataPacketDistributor::SerialisableDataPacketDistributor(QObject* parent)
    : QObject(parent),
      RawDataPacketReceiverInterface<SerialisableDataPacket>(
          makeRegistryKey(PacketIdentifier::serialisable, 0)) {
    insertIntoRegistry();
}

SerialisableDataPacketDistributor::~SerialisableDataPacketDistributor() {
    removeFromRegistry();
}

void SerialisableDataPacketDistributor::receivePacket(
    std::shared_ptr<const SerialisableDataPacket> packet) {
    if (packet) {
        acceptPacket(*packet);
    }
}

bool SerialisableDataPacketDistributor::canAcceptPacket(QString) {
    return true;
}

void SerialisableDataPacketDistributor::acceptPacket(const SerialisableDataPacket& packet) {
    const QString className = packet.getPacketClassName();
    const auto found = acceptors_.find(className);
    if (found == acceptors_.end()) {
        logf(LogLevel::info, "There are no packet acceptors registered for packets of type {}",
             className);
        return;
    }
    // By index, because an acceptor may register further acceptors while it
    // is being called (map nodes stay put, deque growth keeps the entries).
    // Those take packets from the next one on, as a connection's receivers
    // do, so an acceptor registering one per packet cannot loop for ever.
    const std::deque<SerialisableDataPacketAcceptorInterface*>& list = found->second;
    const size_t count = list.size();
    for (size_t i = 0; i < count; ++i) {
        list[i]->acceptPacket(packet);
    }
}

void SerialisableDataPacketDistributor::registerPacketAcceptor(
    SerialisableDataPacketAcceptorInterface* acceptor, QString className) {
    if (acceptor == nullptr) {
        return;
    }
    if (!acceptor->canAcceptPacket(className)) {
        logf(LogLevel::info, "Could not register packetAcceptor to accept packets of the class {}",
             className);
        return;
    }
    acceptors_[className].push_back(acceptor);
}

void SerialisableDataPacketDistributor::registerPacketAcceptor(
    SerialisableDataPacketAcceptorInterface* acceptor, std::deque<QString> classNames) {
    for (QString& name : classNames) {
        registerPacketAcceptor(acceptor, std::move(name));
    }
}

}  // namespace Corvane
