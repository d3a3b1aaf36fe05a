#include "sdi/PayloadIdentifier2160_DualLink6g.h"

namespace Corvane::Sdi {

PayloadIdentifier2160_DualLink6g::PayloadIdentifier2160_DualLink6g(
    std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier2160_DualLink6g::fieldLayout() {
    using Bit = PayloadIdentifierField::Bit;
    static const FieldLayout& layout = *new FieldLayout(
        multiLinkFieldMap(PayloadIdentifierField(3, {Bit::Bit5, Bit::Bit6, Bit::Bit7})));
    return layout;
}

std::uint32_t PayloadIdentifier2160_DualLink6g::getPayloadIdentifierWord(
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    return composeWordFromFields(fieldLayout(), payloadAndDigitalInterface, transportFormat,
                                 pictureFormat, pictureRate, sampleStructure, colourimetry,
                                 aspectRatio, horizontalPixelArraySize, bitDepth, audioCopyStatus,
                                 channel, transferCurve, luminanceAndColourDifferenceSignal);
}

SubImagePixelMappingFormat PayloadIdentifier2160_DualLink6g::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::TwoSampleInterleave;
}
unsigned int PayloadIdentifier2160_DualLink6g::getNumPhysicalConnections() const {
    return 2;
}
SdiDataRate PayloadIdentifier2160_DualLink6g::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate6G;
}
unsigned int PayloadIdentifier2160_DualLink6g::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifier2160_DualLink6g::getNumSubPictures() const {
    return 4;
}
unsigned int PayloadIdentifier2160_DualLink6g::getPicutreInterlacedProgressivePsf() const {
    return scanningKindFromScanningBits();
}
std::vector<unsigned int> PayloadIdentifier2160_DualLink6g::getFieldHeights() const {
    return fieldHeights1125Lines();
}
std::vector<unsigned int>
PayloadIdentifier2160_DualLink6g::getFieldFirstLineNumbersOfActivePicture() const {
    return firstActiveLines1125Lines();
}
unsigned int PayloadIdentifier2160_DualLink6g::getFieldActivePictureWidthInSamples() const {
    return doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(subImageWidth1080());
}
unsigned int PayloadIdentifier2160_DualLink6g::getFieldActivePictureHeight() const {
    return isPictureProgressive() ? 1080 : 540;
}
unsigned int PayloadIdentifier2160_DualLink6g::getReconstructedImageWidthInPixels() const {
    return 2 * subImageWidth1080();
}
unsigned int PayloadIdentifier2160_DualLink6g::getReconstructedImageHeightInPixels() const {
    return 2160;
}

bool PayloadIdentifier2160_DualLink6g::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier2160_DualLink6g::doSmpteValidationChecks() const {
    return checkPayloadCode(payloadAndDigitalInterface);
}

}  // namespace Corvane::Sdi
