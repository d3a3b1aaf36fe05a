#include "sdi/PayloadIdentifier1080_Levelb3g.h"

namespace Corvane::Sdi {

PayloadIdentifier1080_Levelb3g::PayloadIdentifier1080_Levelb3g(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier1080_Levelb3g::fieldLayout() {
    static const FieldLayout& layout = *new FieldLayout([] {
        FieldMap map = withDualLinkByte3Layout(genericFieldMap());
        map[FieldType::Channel] = PayloadIdentifierField(3, {PayloadIdentifierField::Bit::Bit6});
        return map;
    }());
    return layout;
}

std::uint32_t PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::Colourimetry colourimetry,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize,
    PayloadId::AspectRatio aspectRatio, PayloadId::SampleStructure sampleStructure,
    PayloadId::Channel channel, PayloadId::BitDepth bitDepth,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    // This interface has no audio copy status field: that value is left out.
    return composeWordFromFields(fieldLayout(), payloadAndDigitalInterface, transportFormat,
                                 pictureFormat, pictureRate, sampleStructure, colourimetry,
                                 aspectRatio, horizontalPixelArraySize, bitDepth,
                                 PayloadId::AudioCopyStatus::NotSet, channel, transferCurve,
                                 luminanceAndColourDifferenceSignal);
}

SubImagePixelMappingFormat PayloadIdentifier1080_Levelb3g::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifier1080_Levelb3g::getNumPhysicalConnections() const {
    return 1;
}
SdiDataRate PayloadIdentifier1080_Levelb3g::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate3G;
}
unsigned int PayloadIdentifier1080_Levelb3g::getLevel() const {
    return SdiLevel::B;
}
unsigned int PayloadIdentifier1080_Levelb3g::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifier1080_Levelb3g::getPicutreInterlacedProgressivePsf() const {
    return levelBScanningKind();
}
std::vector<unsigned int> PayloadIdentifier1080_Levelb3g::getFieldHeights() const {
    return fieldHeights1125Lines();
}
std::vector<unsigned int> PayloadIdentifier1080_Levelb3g::getFieldFirstLineNumbersOfActivePicture()
    const {
    return firstActiveLines1125Lines();
}
unsigned int PayloadIdentifier1080_Levelb3g::getFieldActivePictureWidthInSamples() const {
    return subImageWidth1080();
}
unsigned int PayloadIdentifier1080_Levelb3g::getFieldActivePictureHeight() const {
    return isPictureProgressive() && isTransportProgressive() ? 1080 : 540;
}
unsigned int PayloadIdentifier1080_Levelb3g::getReconstructedImageWidthInPixels() const {
    return subImageWidth1080();
}
unsigned int PayloadIdentifier1080_Levelb3g::getReconstructedImageHeightInPixels() const {
    return 1080;
}

bool PayloadIdentifier1080_Levelb3g::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier1080_Levelb3g::doSmpteValidationChecks() const {
    QStringList messages = checkPayloadCode(payloadAndDigitalInterface);
    messages << checkRateAndSamplingRanges();

    const int rate = asInt(getPictureRate());
    const int depth = asInt(getBitDepth());
    const int pictureBit = asInt(getPictureInterlaced());
    const bool wide = getHorizontalArraySize() == PayloadId::HorizontalPixelArraySize::Pixels2048;
    // Level B carries 10-bit and 12-bit narrow-range video only.
    if (!isOneOf(depth, {1, 2})) {
        messages << fieldMessage("Invalid bit depth: ", depth);
    }

    const bool extendedColourMode = getSampleStructure() != PayloadId::SampleStructure::YCbCr422;
    if (extendedColourMode && wide && !isPictureProgressive()) {
        messages << fieldMessage(
            "Invalid picture interlace format for 2048 Extended colour modes: ", pictureBit);
    }

    if (!extendedColourMode) {
        // 4:2:2 10-bit: a 50/60 Hz progressive picture (1080p "dual stream"),
        // or a 2048 picture at 48 Hz, split into two interlace-structured streams.
        if (depth != 1) {
            messages << fieldMessage("Invalid bit depth for 422: ", depth);
        }
        if (isTransportProgressive()) {
            messages << fieldMessage("Invalid transport interlace format for 422: ",
                                     asInt(getTransportInterlaced()));
        }
        if (!isPictureProgressive()) {
            messages << fieldMessage("Invalid picture interlace format for 422: ", pictureBit);
        }
        if (wide && !isOneOf(rate, {4, 8, 9, 10, 11})) {
            messages << fieldMessage("Invalid picture rate for 2048 pixel 422: ", rate);
        } else if (!wide && !isOneOf(rate, {9, 10, 11})) {
            messages << fieldMessage("Invalid picture rate for 1920 pixel 422: ", rate);
        }
    }

    // Extended colour modes on level B are the two links of a dual-link
    // 1.5G signal (SMPTE ST 372) mapped into one 3G link (ST 425-1 level
    // B-DL). ST 372 defines its 4:4:4, 4:2:2:4 and 12-bit formats only for
    // frame rates up to 30 Hz: progressive (and segmented-frame) pictures at
    // 23.98, 24, 25, 29.97 and 30, interlaced 1920 pictures at 50, 59.94 and
    // 60 fields (frame rates 25, 29.97, 30). Anything faster needs twice the
    // payload of a 1.5G link per stream. Interlaced 2048 pictures are already
    // refused above and get no rate rule.
    if (extendedColourMode) {
        if (isPictureProgressive() && !isOneOf(rate, {2, 3, 5, 6, 7})) {
            messages << fieldMessage(
                "Invalid picture rate for Progressive 1920 pixel Extended colour modes: ", rate);
        } else if (!isPictureProgressive() && !wide && !isOneOf(rate, {5, 6, 7})) {
            messages << fieldMessage(
                "Invalid picture rate for Interlaced 1920 pixel Extended colour modes: ", rate);
        }
    }
    return messages;
}

}  // namespace Corvane::Sdi
