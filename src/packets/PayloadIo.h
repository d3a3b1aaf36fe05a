#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <algorithm>

namespace Corvane::PayloadIo {

// Writes a payload with a default (big-endian, doubles for floats) stream
// straight into a buffer reserved for `expectedSize` bytes.
template <typename Writer>
QByteArray write(qint64 expectedSize, Writer&& writer) {
    QByteArray payload;
    payload.reserve(static_cast<int>(std::clamp<qint64>(expectedSize, 0, 1 << 30)));
    QDataStream out(&payload, QIODevice::WriteOnly);
    writer(out);
    return payload;
}

// Bytes of the payload not yet read by `in`.
inline qint64 bytesLeft(const QDataStream& in) {
    const QIODevice* device = in.device();
    return std::max<qint64>(0, device->size() - device->pos());
}

// How many entries of `entryBytes` each a received count may produce: never
// more than the rest of the payload holds in full, so a hostile count cannot
// drive an allocation beyond the frame's own size.
inline quint32 boundedCount(quint32 declared, const QDataStream& in, qint64 entryBytes) {
    return static_cast<quint32>(std::min<qint64>(declared, bytesLeft(in) / entryBytes));
}

}  // namespace Corvane::PayloadIo
