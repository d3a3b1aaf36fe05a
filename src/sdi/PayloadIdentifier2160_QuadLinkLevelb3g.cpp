#include "sdi/PayloadIdentifier2160_QuadLinkLevelb3g.h"

#include "sdi/PayloadIdentifier2160InterleavedImpl.h"

namespace Corvane::Sdi {

template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_QuadLinkLevelb3g, 4, SdiDataRate::Rate3G,
    SdiLevel::B>;

std::uint32_t PayloadIdentifier2160_QuadLinkLevelb3g::getPayloadIdentifierWord(
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::Colourimetry colourimetry,
    PayloadId::SampleStructure sampleStructure, PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    return composeWordFromFields(fieldLayout(), payloadAndDigitalInterface, transportFormat,
                                 pictureFormat, pictureRate, sampleStructure, colourimetry,
                                 aspectRatio, horizontalPixelArraySize, bitDepth, audioCopyStatus,
                                 channel, transferCurve, luminanceAndColourDifferenceSignal);
}

}  // namespace Corvane::Sdi
