#pragma once

#include "packets/MeasurementTypes.h"
#include "packets/RawDataPacket.h"

namespace Corvane {

// Inter-packet arrival time histogram of one IP video receiver. The only
// packet whose source instance identifier is not 0: it names the receiver.
// Payload of fixed size: the seven leading fields (32, 32, 64, 32, 32, 32,
// 32 bits), then the 64 bins.
//
// The payload has no count. From a frame, fields beyond a short payload read
// as zero and bytes beyond 288 are ignored.
class VideoIpIpatHistogramPacket final : public RawDataPacket {
public:
    VideoIpIpatHistogramPacket(Types::IpatHistogram&& histogram, unsigned short sourceInstance);
    // The source instance comes from the frame header.
    explicit VideoIpIpatHistogramPacket(const QByteArray& frame);

    const Types::IpatHistogram& getIpatHistogram() const { return histogram_; }

    quint16 getPacketIdentifier() const override { return PacketIdentifier::videoIpIpatHistogram; }
    quint16 getSourceInstanceIdentifier() const override { return sourceInstance_; }
    QByteArray getSerialisedPayloadForTransmit() const override;

    static constexpr qint64 getPayloadSizeInBytes() {
        return 6 * 4 + 8 + Types::IpatHistogram::binCount * 4;
    }

private:
    quint16 sourceInstance_ = 0;
    Types::IpatHistogram histogram_;
};

}  // namespace Corvane
