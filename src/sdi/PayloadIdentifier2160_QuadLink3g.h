#pragma once

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

extern template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_QuadLink3g, 4, SdiDataRate::Rate3G,
    SdiLevel::A, 2>;

// 2160-line picture on four 3G level A links in two-sample interleave;
// each link carries one 1080-line sub-image.
class PayloadIdentifier2160_QuadLink3g final
    : public PayloadIdentifier2160Interleaved<
          PayloadId::PayloadAndDigitalInterface::Payload2160_QuadLink3g, 4, SdiDataRate::Rate3G,
          SdiLevel::A, 2> {
public:
    using PayloadIdentifier2160Interleaved::PayloadIdentifier2160Interleaved;

    // A word with this interface's code and the given field values; a value
    // that does not fit its field is left out.
    static std::uint32_t getPayloadIdentifierWord(
        PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
        PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
        PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transferCurve,
        PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal,
        PayloadId::Channel channel);

    QStringList doSmpteValidationChecks() const override;
};

}  // namespace Corvane::Sdi
