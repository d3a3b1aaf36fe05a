#pragma once

#include "packets/RawDataPacket.h"

#include <QMultiMap>
#include <memory>

namespace Corvane {

// A consumer of received packets, listed in the process-wide registry under
// the key made of the packet identifier (low 16 bits) and the source instance
// identifier (high 16 bits). The registry does not own the receivers and is
// used from one thread only.
class RawDataPacketReceiverInterfaceBase {
public:
    explicit RawDataPacketReceiverInterfaceBase(unsigned int registryKey);
    // Removes every registry entry that still points to this receiver, so a
    // destroyed receiver can never be called.
    virtual ~RawDataPacketReceiverInterfaceBase();

    RawDataPacketReceiverInterfaceBase(const RawDataPacketReceiverInterfaceBase&) = delete;
    RawDataPacketReceiverInterfaceBase& operator=(const RawDataPacketReceiverInterfaceBase&) =
        delete;

    virtual void receiveRawDataPacket(std::shared_ptr<const RawDataPacket> packet) = 0;

    unsigned int getRegistryKey() const { return registryKey_; }

    static constexpr unsigned int makeRegistryKey(quint16 packetIdentifier,
                                                  quint16 sourceInstanceIdentifier) {
        return (static_cast<unsigned int>(sourceInstanceIdentifier) << 16) | packetIdentifier;
    }

    // Receivers per key; values(key) lists the most recently registered first.
    static QMultiMap<unsigned int, RawDataPacketReceiverInterfaceBase*> registry;

protected:
    // Lists this receiver under its own key.
    void insertIntoRegistry();
    // Drops every entry that points to this receiver, under any key.
    void removeFromRegistry();

private:
    const unsigned int registryKey_;
};

// Hands a received packet on as the packet class T; receivePacket gets an
// empty pointer when the packet is not a T.
template <typename T>
class RawDataPacketReceiverInterface : public RawDataPacketReceiverInterfaceBase {
public:
    using RawDataPacketReceiverInterfaceBase::RawDataPacketReceiverInterfaceBase;

    void receiveRawDataPacket(std::shared_ptr<const RawDataPacket> packet) override {
        receivePacket(std::dynamic_pointer_cast<const T>(std::move(packet)));
    }
    virtual void receivePacket(std::shared_ptr<const T> packet) = 0;
};

}  // namespace Corvane
