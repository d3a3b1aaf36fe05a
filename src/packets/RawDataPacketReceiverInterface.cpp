#include "packets/RawDataPacketReceiverInterface.h"

#include <iterator>

namespace Corvane {

QMultiMap<unsigned int, RawDataPacketReceiverInterfaceBase*>
    RawDataPacketReceiverInterfaceBase::registry;

RawDataPacketReceiverInterfaceBase::RawDataPacketReceiverInterfaceBase(unsigned int registryKey)
    : registryKey_(registryKey) {}

RawDataPacketReceiverInterfaceBase::~RawDataPacketReceiverInterfaceBase() {
    removeFromRegistry();
}

void RawDataPacketReceiverInterfaceBase::insertIntoRegistry() {
    registry.insert(registryKey_, this);
}

void RawDataPacketReceiverInterfaceBase::removeFromRegistry() {
    // Every key, not only the receiver's own: the registry is open to anyone
    // who wants to list a receiver under further keys.
    for (auto it = registry.begin(); it != registry.end();) {
        it = it.value() == this ? registry.erase(it) : std::next(it);
    }
}

}  // namespace Corvane
