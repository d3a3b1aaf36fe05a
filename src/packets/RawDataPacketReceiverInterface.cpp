#include "packets/RawDataPacketReceiverInterface.h"

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
    registry.remove(registryKey_, this);
}

}  // namespace Corvane
