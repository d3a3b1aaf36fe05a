#pragma once

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

extern template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_QuadLinkLevelb3g, 4, SdiDataRate::Rate3G,
    SdiLevel::B>;

// 2160-line picture on four 3G level B links in two-sample interleave.
class PayloadIdentifier2160_QuadLinkLevelb3g final
    : public PayloadIdentifier2160Interleaved<
          PayloadId::PayloadAndDigitalInterface::Payload2160_QuadLinkLevelb3g, 4,
          SdiDataRate::Rate3G, SdiLevel::B> {
public:
    using PayloadIdentifier2160Interleaved::PayloadIdentifier2160Interleaved;

    // A word with this interface's code and the given field values; a value
    // that does not fit its field is left out.
    static std::uint32_t getPayloadIdentifierWord(
        PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
        PayloadId::PictureRate pictureRate, PayloadId::Colourimetry colourimetry,
        PayloadId::SampleStructure sampleStructure, PayloadId::AspectRatio aspectRatio,
        PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
        PayloadId::TransferCurve transferCurve,
        PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal);
};

}  // namespace Corvane::Sdi
