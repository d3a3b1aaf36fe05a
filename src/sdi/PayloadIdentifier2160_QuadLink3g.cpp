#include "sdi/PayloadIdentifier2160_QuadLink3g.h"

#include "sdi/PayloadIdentifier2160InterleavedImpl.h"

namespace Corvane::Sdi {

template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_QuadLink3g, 4, SdiDataRate::Rate3G,
    SdiLevel::A, 2>;

std::uint32_t PayloadIdentifier2160_QuadLink3g::getPayloadIdentifierWord(
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal,
    PayloadId::Channel channel) {
    return composeWordFromFields(fieldLayout(), payloadAndDigitalInterface, transportFormat,
                                 pictureFormat, pictureRate, sampleStructure, colourimetry,
                                 aspectRatio, horizontalPixelArraySize, bitDepth, audioCopyStatus,
                                 channel, transferCurve, luminanceAndColourDifferenceSignal);
}

QStringList PayloadIdentifier2160_QuadLink3g::doSmpteValidationChecks() const {
    QStringList messages = PayloadIdentifier2160Interleaved::doSmpteValidationChecks();
    if (!isTransportProgressive()) {
        messages << fieldMessage("Incorrect TransportFormat: ", asInt(getTransportInterlaced()));
    }
    if (!isPictureProgressive()) {
        messages << fieldMessage("Incorrect PictureFormat: ", asInt(getPictureInterlaced()));
    }
    if (asInt(getTransferCharacteristics()) > 2) {
        messages << fieldMessage("Incorrect TransferCurve: ", asInt(getTransferCharacteristics()));
    }

    // Each link carries one 1080-line sub-image at 3G level A: 4:2:2 10-bit
    // fills a link at 50/60 Hz, so frame rates up to 30 are left to the
    // extended colour modes, and 50/60 Hz to 4:2:2 10-bit.
    const int rate = asInt(getPictureRate());
    if (isOneOf(rate, {2, 3, 5, 6, 7})) {
        if (isTenBit422Or420()) {
            messages << fieldMessage("Incorrect FrameRate for 422/420-10: ", rate);
        }
    } else if (isOneOf(rate, {4, 8, 9, 10, 11})) {
        // 48 Hz is defined for 4096-wide pictures only.
        if (isOneOf(rate, {4, 8}) &&
            getHorizontalArraySize() != PayloadId::HorizontalPixelArraySize::Pixels2048) {
            messages << fieldMessage("Incorrect FrameRate for 3840x2160: ", rate);
        }
        if (!isTenBit422Or420()) {
            messages << fieldMessage("Incorrect FrameRate for extended colour mode: ", rate);
        }
    } else {
        messages << fieldMessage("Incorrect PictureRate: ", rate);
    }

    // Audio copy status is only defined on links 3 and 4.
    if (isOneOf(asInt(getChannel()), {0, 1}) && asInt(getAudioCopyStatus()) != 0) {
        messages << fieldMessage("Incorrect AudioCopyStatus for channel 1 or 2: ",
                                 asInt(getAudioCopyStatus()));
    }
    return messages;
}

}  // namespace Corvane::Sdi
