#include "packets/VideoIpIpatHistogramPacket.h"

#include "packets/PayloadIo.h"

namespace Corvane {

VideoIpIpatHistogramPacket::VideoIpIpatHistogramPacket(Types::IpatHistogram&& histogram,
                                                       unsigned short sourceInstance)
    : sourceInstance_(sourceInstance), histogram_(histogram) {}

VideoIpIpatHistogramPacket::VideoIpIpatHistogramPacket(const QByteArray& frame)
    : RawDataPacket(frame), sourceInstance_(header_.sourceInstanceIdentifier) {
    QDataStream in(payload_);
    Types::IpatHistogram& h = histogram_;
    in >> h.binWidthNs >> h.firstBinNs >> h.packetCount >> h.minimumNs >> h.maximumNs >> h.meanNs >>
        h.overflowCount;
    for (quint32& bin : h.bins) {
        in >> bin;
    }
}

QByteArray VideoIpIpatHistogramPacket::getSerialisedPayloadForTransmit() const {
    return PayloadIo::write(getPayloadSizeInBytes(), [this](QDataStream& out) {
        const Types::IpatHistogram& h = histogram_;
        out << h.binWidthNs << h.firstBinNs << h.packetCount << h.minimumNs << h.maximumNs
            << h.meanNs << h.overflowCount;
        for (quint32 bin : h.bins) {
            out << bin;
        }
    });
}

}  // namespace Corvane
