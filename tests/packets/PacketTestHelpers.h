#pragma once

#include "packets/RawDataPacket.h"
#include "packets/RawDataPacketFactory.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <gtest/gtest.h>

namespace Corvane::Testing {

// The frame a connection would send for `packet`.
inline QByteArray frameOf(const RawDataPacket& packet) {
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    packet.serialisePacketAndWriteToDevice(device);
    return bytes;
}

// A frame with a hand-made header in front of `payload`.
inline QByteArray rawFrame(quint16 identifier, qint32 length, const QByteArray& payload,
                           quint16 source = 0) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    RawDataPacket::writeHeaderToDataStream({identifier, source, length}, out);
    return bytes + payload;
}

inline QByteArray rawFrame(quint16 identifier, const QByteArray& payload) {
    return rawFrame(identifier, payload.size(), payload);
}

// The next packet built from the front of `buffer`, which loses its frame.
inline std::shared_ptr<RawDataPacket> take(QByteArray& buffer) {
    return RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(buffer);
}

// The packet a connection would build from `frame`, if it is a T; the
// whole frame must be used up.
template <typename T>
std::shared_ptr<T> rebuilt(const QByteArray& frame) {
    QByteArray buffer = frame;
    auto packet = std::dynamic_pointer_cast<T>(take(buffer));
    EXPECT_TRUE(buffer.isEmpty());
    return packet;
}

// A 32-bit value as a default (big-endian) stream writes it.
inline QByteArray be32(quint32 value) {
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << value;
    return bytes;
}

}  // namespace Corvane::Testing
