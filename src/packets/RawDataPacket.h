#pragma once

#include <QByteArray>
#include <QtGlobal>

class QDataStream;
class QIODevice;

namespace Corvane {

// Packet identifiers of the datacore link. Every frame carries one of these;
// anything outside [first, last] is treated as garbage on the stream.
namespace PacketIdentifier {
inline constexpr quint16 serialisable = 0x1010;  // JSON packets of every class
inline constexpr quint16 eyeVerticalHistogram = 0x1011;
inline constexpr quint16 eyeHorizontalHistogram = 0x1012;
inline constexpr quint16 ppmMeters = 0x1013;
inline constexpr quint16 peakHoldMeters = 0x1014;
inline constexpr quint16 phaseMeters = 0x1015;
inline constexpr quint16 instantPeakDbMeters = 0x1016;
inline constexpr quint16 instantPeakLinearMeters = 0x1017;
inline constexpr quint16 st337DolbyDetect = 0x1018;
inline constexpr quint16 rawSdiSampleGrid = 0x1019;
inline constexpr quint16 rawSdiJitterSpectrum = 0x101A;
inline constexpr quint16 videoIpIpatHistogram = 0x101B;

inline constexpr quint16 first = serialisable;
inline constexpr quint16 last = videoIpIpatHistogram;

// Values peekHeader puts in place of the identifier to classify a buffer.
inline constexpr quint16 garbageMarker = 0;
inline constexpr quint16 incompleteMarker = 1;

constexpr bool isValid(quint16 identifier) {
    return identifier >= first && identifier <= last;
}
}  // namespace PacketIdentifier

// Abstract base of every packet: an 8-byte big-endian header followed by a
// payload. A packet built from a received frame keeps that frame's header and
// payload; a packet built locally for sending leaves both empty and produces
// its identifiers and payload through the virtual operations.
class RawDataPacket {
public:
    struct Header {
        quint16 packetIdentifier = 0;
        quint16 sourceInstanceIdentifier = 0;
        qint32 payloadLength = 0;  // bytes following the header

        bool operator==(const Header& o) const {
            return packetIdentifier == o.packetIdentifier &&
                   sourceInstanceIdentifier == o.sourceInstanceIdentifier &&
                   payloadLength == o.payloadLength;
        }
    };

    static constexpr int headerSize = 8;
    // The largest payload a receiver waits for. The biggest packet the
    // instrument sends is a raw sample grid; a whole 2160-line frame at
    // 24 Hz (5500 x 2250 words, luma and chroma, 4 bytes each) is 99 MB, so
    // 128 MiB holds any real grid with room to spare. A longer header can
    // only be garbage or hostile: treating it as such keeps a receiver's
    // buffer bounded and lets the stream resynchronise past it.
    static constexpr qint32 maxPayloadLength = 128 * 1024 * 1024;

    RawDataPacket() = default;
    // Reads the header from the front of `frame` and takes the payload that
    // follows it. A frame shorter than its header claims (or with a negative
    // length) keeps only the bytes that are really there; the header keeps
    // the length as received.
    explicit RawDataPacket(const QByteArray& frame);
    virtual ~RawDataPacket();

    RawDataPacket(const RawDataPacket&) = default;
    RawDataPacket(RawDataPacket&&) = default;
    RawDataPacket& operator=(const RawDataPacket&) = default;
    RawDataPacket& operator=(RawDataPacket&&) = default;

    virtual QByteArray getSerialisedPayloadForTransmit() const = 0;
    virtual quint16 getPacketIdentifier() const = 0;
    virtual quint16 getSourceInstanceIdentifier() const;

    const Header& getHeaderFromPacket() const { return header_; }
    const QByteArray& getPayloadFromPacket() const { return payload_; }

    static Header readHeaderFromStream(QDataStream& in);
    static void writeHeaderToDataStream(const Header& header, QDataStream& out);

    // Reads the header at the front of `buffer` without consuming anything.
    // The identifier is replaced by PacketIdentifier::garbageMarker when it is
    // not a packet identifier, and by incompleteMarker when the frame is not
    // wholly buffered yet. A negative payload length, or one above
    // maxPayloadLength, can never describe a frame, so it is reported as
    // garbage too: a receive loop then drops one byte and resynchronises
    // instead of waiting for ever (or buffering without bound).
    static Header peekHeader(const QByteArray& buffer);

    QByteArray generatePacketHeaderForPayload(const QByteArray& payload) const;
    // Writes header and payload with two writes and no flush.
    void serialisePacketAndWriteToDevice(QIODevice& device) const;

protected:
    Header header_;
    QByteArray payload_;
};

}  // namespace Corvane
