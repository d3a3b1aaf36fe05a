#include "sdi/PayloadIdentifier1080_3g.h"

namespace Corvane::Sdi {

PayloadIdentifier1080_3g::PayloadIdentifier1080_3g(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier1080_3g::fieldLayout() {
    static const FieldLayout& layout = *new FieldLayout(genericFieldMap());
    return layout;
}

std::uint32_t PayloadIdentifier1080_3g::getPayloadIdentifierWord(
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::Colourimetry colourimetry,
    PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize,
    PayloadId::SampleStructure sampleStructure, PayloadId::BitDepth bitDepth,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    // This interface has neither audio copy status nor channel fields: those
    // values are left out.
    return composeWordFromFields(fieldLayout(), payloadAndDigitalInterface, transportFormat,
                                 pictureFormat, pictureRate, sampleStructure, colourimetry,
                                 aspectRatio, horizontalPixelArraySize, bitDepth,
                                 PayloadId::AudioCopyStatus::NotSet, PayloadId::Channel::Channel1,
                                 transferCurve, luminanceAndColourDifferenceSignal);
}

SubImagePixelMappingFormat PayloadIdentifier1080_3g::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifier1080_3g::getNumPhysicalConnections() const {
    return 1;
}
SdiDataRate PayloadIdentifier1080_3g::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate3G;
}
unsigned int PayloadIdentifier1080_3g::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifier1080_3g::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifier1080_3g::getPicutreInterlacedProgressivePsf() const {
    return scanningKindFromScanningBits();
}
std::vector<unsigned int> PayloadIdentifier1080_3g::getFieldHeights() const {
    return fieldHeights1125Lines();
}
std::vector<unsigned int> PayloadIdentifier1080_3g::getFieldFirstLineNumbersOfActivePicture()
    const {
    return firstActiveLines1125Lines();
}
unsigned int PayloadIdentifier1080_3g::getFieldActivePictureWidthInSamples() const {
    return doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(subImageWidth1080());
}
unsigned int PayloadIdentifier1080_3g::getFieldActivePictureHeight() const {
    return getPicutreInterlacedProgressivePsf() == ScanningKind::Progressive ? 1080 : 540;
}
unsigned int PayloadIdentifier1080_3g::getReconstructedImageWidthInPixels() const {
    return subImageWidth1080();
}
unsigned int PayloadIdentifier1080_3g::getReconstructedImageHeightInPixels() const {
    return 1080;
}

bool PayloadIdentifier1080_3g::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier1080_3g::doSmpteValidationChecks() const {
    QStringList messages = checkPayloadCode(payloadAndDigitalInterface);
    messages << checkRateAndSamplingRanges();
    return messages;
}

}  // namespace Corvane::Sdi
