#include "packets/RawDataPacket.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>

namespace Corvane {
namespace {

// The header at the front of `bytes`, as readHeaderFromStream reads it but
// without setting up a stream: this runs for every frame received. Bytes
// missing from a short buffer read as zero.
RawDataPacket::Header decodeHeader(const QByteArray& bytes) {
    uchar raw[RawDataPacket::headerSize] = {};
    std::copy_n(bytes.constData(), std::min<int>(bytes.size(), RawDataPacket::headerSize), raw);
    return {qFromBigEndian<quint16>(raw), qFromBigEndian<quint16>(raw + 2),
            qFromBigEndian<qint32>(raw + 4)};
}

}  // namespace

RawDataPacket::RawDataPacket(const QByteArray& frame) : header_(decodeHeader(frame)) {
    const qint64 available = std::max(0, frame.size() - headerSize);
    const qint64 taken = std::clamp<qint64>(header_.payloadLength, 0, available);
    payload_ = frame.mid(headerSize, static_cast<int>(taken));
}

RawDataPacket::~RawDataPacket() = default;

quint16 RawDataPacket::getSourceInstanceIdentifier() const {
    return 0;
}

RawDataPacket::Header RawDataPacket::readHeaderFromStream(QDataStream& in) {
    Header header;
    in >> header.packetIdentifier >> header.sourceInstanceIdentifier >> header.payloadLength;
    return header;
}

void RawDataPacket::writeHeaderToDataStream(const Header& header, QDataStream& out) {
    out << header.packetIdentifier << header.sourceInstanceIdentifier << header.payloadLength;
}

RawDataPacket::Header RawDataPacket::peekHeader(const QByteArray& buffer) {
    Header header = decodeHeader(buffer);
    if (!PacketIdentifier::isValid(header.packetIdentifier) || header.payloadLength < 0 ||
        header.payloadLength > maxPayloadLength) {
        header.packetIdentifier = PacketIdentifier::garbageMarker;
    } else if (buffer.size() < headerSize ||
               qint64(headerSize) + header.payloadLength > buffer.size()) {
        header.packetIdentifier = PacketIdentifier::incompleteMarker;
    }
    return header;
}

QByteArray RawDataPacket::generatePacketHeaderForPayload(const QByteArray& payload) const {
    QByteArray bytes;
    bytes.reserve(headerSize);
    QDataStream out(&bytes, QIODevice::WriteOnly);
    writeHeaderToDataStream({getPacketIdentifier(), getSourceInstanceIdentifier(), payload.size()},
                            out);
    return bytes;
}

void RawDataPacket::serialisePacketAndWriteToDevice(QIODevice& device) const {
    const QByteArray payload = getSerialisedPayloadForTransmit();
    device.write(generatePacketHeaderForPayload(payload));
    device.write(payload);
}

}  // namespace Corvane
