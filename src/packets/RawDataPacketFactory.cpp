#include "packets/RawDataPacketFactory.h"

#include "packets/AudioMetersDataPacket.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"
#include "packets/EyeHistogramData.h"
#include "packets/RawSdiJitterPacket.h"
#include "packets/RawSdiSampleGridPacket.h"
#include "packets/SerialisableDataPacket.h"
#include "packets/VideoIpIpatHistogramPacket.h"

namespace Corvane {
namespace {

// Gives a received JSON packet the class its "Class" names, keeping the
// received header, payload and object.
template <typename T>
std::shared_ptr<RawDataPacket> asClass(SerialisableDataPacket&& received) {
    auto packet = std::make_shared<T>(QString::fromLatin1(T::className));
    static_cast<SerialisableDataPacket&>(*packet) = std::move(received);
    return packet;
}

std::shared_ptr<RawDataPacket> createJsonPacket(const QByteArray& frame, int payloadLength) {
    SerialisableDataPacket packet(frame, payloadLength);
    const QString className = packet.getPacketClassName();
    if (className == QLatin1String(DatacorePacket::className)) {
        return asClass<DatacorePacket>(std::move(packet));
    }
    if (className == QLatin1String(DatacorePathRadixTreePacket::className)) {
        return asClass<DatacorePathRadixTreePacket>(std::move(packet));
    }
    return std::make_shared<SerialisableDataPacket>(std::move(packet));
}

std::shared_ptr<RawDataPacket> createPacket(quint16 identifier, const QByteArray& frame,
                                            int payloadLength) {
    namespace Id = PacketIdentifier;
    switch (identifier) {
        case Id::serialisable:
            return createJsonPacket(frame, payloadLength);
        case Id::eyeVerticalHistogram:
            return std::make_shared<EyeVerticalHistogramData>(frame);
        case Id::eyeHorizontalHistogram:
            return std::make_shared<EyeHorizontalHistogramData>(frame);
        case Id::ppmMeters:
            return std::make_shared<PpmMetersData>(frame);
        case Id::peakHoldMeters:
            return std::make_shared<PeakHoldMetersData>(frame);
        case Id::phaseMeters:
            return std::make_shared<PhaseMetersData>(frame);
        case Id::instantPeakDbMeters:
            return std::make_shared<InstantPeakDbMetersData>(frame);
        case Id::instantPeakLinearMeters:
            return std::make_shared<InstantPeakLinearMetersData>(frame);
        case Id::st337DolbyDetect:
            return std::make_shared<ST337DolbyDetectData>(frame);
        case Id::rawSdiSampleGrid:
            return std::make_shared<RawSdiSampleGridPacket>(frame);
        case Id::rawSdiJitterSpectrum:
            return std::make_shared<RawSdiJitterSpectrumDataPacket>(frame);
        case Id::videoIpIpatHistogram:
            return std::make_shared<VideoIpIpatHistogramPacket>(frame);
        default:
            return nullptr;
    }
}

}  // namespace

std::shared_ptr<RawDataPacket> RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(
    QByteArray& buffer) {
    std::shared_ptr<RawDataPacket> packet = createPacketFromDataBufferAt(buffer, 0);
    if (packet) {
        buffer.remove(0, RawDataPacket::headerSize + packet->getHeaderFromPacket().payloadLength);
    }
    return packet;
}

std::shared_ptr<RawDataPacket> RawDataPacketFactory::createPacketFromDataBufferAt(
    const QByteArray& buffer, int offset) {
    if (offset < 0 || buffer.size() - offset < RawDataPacket::headerSize) {
        return nullptr;
    }
    // A view, not a copy: the packets copy the payload they keep.
    const QByteArray frame =
        offset == 0 ? buffer
                    : QByteArray::fromRawData(buffer.constData() + offset, buffer.size() - offset);
    const RawDataPacket::Header header = RawDataPacket::peekHeader(frame);
    if (!PacketIdentifier::isValid(header.packetIdentifier)) {
        return nullptr;  // garbage or incomplete
    }
    return createPacket(header.packetIdentifier, frame, header.payloadLength);
}

}  // namespace Corvane
