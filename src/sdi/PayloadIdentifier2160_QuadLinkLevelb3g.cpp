#include "sdi/PayloadIdentifier2160_QuadLinkLevelb3g.h"

namespace Corvane::Sdi {

PayloadIdentifier2160_QuadLinkLevelb3g::PayloadIdentifier2160_QuadLinkLevelb3g(
    std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier2160_QuadLinkLevelb3g::fieldLayout() {
    using Bit = PayloadIdentifierField::Bit;
    static const FieldLayout& layout = *new FieldLayout(withDualLinkByte3Layout(
        multiLinkFieldMap(PayloadIdentifierField(3, {Bit::Bit5, Bit::Bit6, Bit::Bit7}))));
    return layout;
}

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

SubImagePixelMappingFormat PayloadIdentifier2160_QuadLinkLevelb3g::getSubImagePixelMappingFormat()
    const {
    return SubImagePixelMappingFormat::TwoSampleInterleave;
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getNumPhysicalConnections() const {
    return 4;
}
SdiDataRate PayloadIdentifier2160_QuadLinkLevelb3g::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate3G;
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getLevel() const {
    return SdiLevel::B;
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getNumSubPictures() const {
    return 4;
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getPicutreInterlacedProgressivePsf() const {
    return levelBScanningKind();
}
std::vector<unsigned int> PayloadIdentifier2160_QuadLinkLevelb3g::getFieldHeights() const {
    return fieldHeights1125Lines();
}
std::vector<unsigned int>
PayloadIdentifier2160_QuadLinkLevelb3g::getFieldFirstLineNumbersOfActivePicture() const {
    return firstActiveLines1125Lines();
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getFieldActivePictureWidthInSamples() const {
    return subImageWidth1080();
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getFieldActivePictureHeight() const {
    return isPictureProgressive() && isTransportProgressive() ? 1080 : 540;
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getReconstructedImageWidthInPixels() const {
    return 2 * subImageWidth1080();
}
unsigned int PayloadIdentifier2160_QuadLinkLevelb3g::getReconstructedImageHeightInPixels() const {
    return 2160;
}

bool PayloadIdentifier2160_QuadLinkLevelb3g::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier2160_QuadLinkLevelb3g::doSmpteValidationChecks() const {
    return checkPayloadCode(payloadAndDigitalInterface);
}

}  // namespace Corvane::Sdi
