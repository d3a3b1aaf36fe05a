#pragma once

#include "packets/RawDataPacket.h"

#include <QByteArray>
#include <memory>

namespace Corvane {

class RawDataPacketFactory {
public:
    // Builds the packet for the complete frame at the front of `buffer` and
    // removes that frame. Returns no packet and leaves the buffer untouched
    // when fewer than 8 bytes are buffered, the frame is not complete yet,
    // its identifier is not a packet identifier or its length is negative
    // or above RawDataPacket::maxPayloadLength
    // (the caller resynchronises past garbage).
    //
    // JSON frames come back as the most derived class their "Class" names
    // (DatacorePacket, DatacorePathRadixTreePacket), any other class as
    // SerialisableDataPacket.
    static std::shared_ptr<RawDataPacket> createPacketAndRemovePacketFromDataBuffer(
        QByteArray& buffer);

    // The same for the frame that starts at `offset` in `buffer`, which is
    // left as it is, so a receive loop can consume many frames by advancing
    // an offset and cut the buffer once. An offset outside the buffer gives
    // no packet.
    static std::shared_ptr<RawDataPacket> createPacketFromDataBufferAt(const QByteArray& buffer,
                                                                       int offset);
};

}  // namespace Corvane
