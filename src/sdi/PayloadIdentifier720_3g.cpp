#include "sdi/PayloadIdentifier720_3g.h"

namespace Corvane::Sdi {

PayloadIdentifier720_3g::PayloadIdentifier720_3g(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier720_3g::fieldLayout() {
    static const FieldLayout& layout = *new FieldLayout(genericFieldMap());
    return layout;
}

SubImagePixelMappingFormat PayloadIdentifier720_3g::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifier720_3g::getNumPhysicalConnections() const {
    return 1;
}
SdiDataRate PayloadIdentifier720_3g::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate3G;
}
unsigned int PayloadIdentifier720_3g::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifier720_3g::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifier720_3g::getPicutreInterlacedProgressivePsf() const {
    return ScanningKind::Progressive;
}
std::vector<unsigned int> PayloadIdentifier720_3g::getFieldHeights() const {
    return {750};
}
std::vector<unsigned int> PayloadIdentifier720_3g::getFieldFirstLineNumbersOfActivePicture() const {
    return {26};
}
unsigned int PayloadIdentifier720_3g::getFieldActivePictureWidthInSamples() const {
    return doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(1280);
}
unsigned int PayloadIdentifier720_3g::getFieldActivePictureHeight() const {
    return 720;
}
unsigned int PayloadIdentifier720_3g::getReconstructedImageWidthInPixels() const {
    return 1280;
}
unsigned int PayloadIdentifier720_3g::getReconstructedImageHeightInPixels() const {
    return 720;
}

bool PayloadIdentifier720_3g::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier720_3g::doSmpteValidationChecks() const {
    QStringList messages = checkPayloadCode(payloadAndDigitalInterface);
    messages << checkRateAndSamplingRanges();
    return messages;
}

}  // namespace Corvane::Sdi
