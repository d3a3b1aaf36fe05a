#include "sdi/PayloadIdentifier720_1g5.h"

namespace Corvane::Sdi {

PayloadIdentifier720_1g5::PayloadIdentifier720_1g5(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier720_1g5::fieldLayout() {
    static const FieldLayout& layout = *new FieldLayout([] {
        // 720-line on 1.5G is always progressive and 10-bit: there is no
        // transport bit, and only one bit of depth.
        FieldMap map = genericFieldMap();
        map.erase(FieldType::TransportInterlaced);
        map.erase(FieldType::AspectRatio);
        map.erase(FieldType::HorizontalArraySize);
        map[FieldType::BitDepth] = PayloadIdentifierField(3, {PayloadIdentifierField::Bit::Bit0});
        return map;
    }());
    return layout;
}

SubImagePixelMappingFormat PayloadIdentifier720_1g5::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifier720_1g5::getNumPhysicalConnections() const {
    return 1;
}
SdiDataRate PayloadIdentifier720_1g5::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate1G5;
}
unsigned int PayloadIdentifier720_1g5::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifier720_1g5::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifier720_1g5::getPicutreInterlacedProgressivePsf() const {
    return ScanningKind::Progressive;
}
std::vector<unsigned int> PayloadIdentifier720_1g5::getFieldHeights() const {
    return {750};
}
std::vector<unsigned int> PayloadIdentifier720_1g5::getFieldFirstLineNumbersOfActivePicture()
    const {
    return {26};
}
unsigned int PayloadIdentifier720_1g5::getFieldActivePictureWidthInSamples() const {
    return 1280;
}
unsigned int PayloadIdentifier720_1g5::getFieldActivePictureHeight() const {
    return 720;
}
unsigned int PayloadIdentifier720_1g5::getReconstructedImageWidthInPixels() const {
    return 1280;
}
unsigned int PayloadIdentifier720_1g5::getReconstructedImageHeightInPixels() const {
    return 720;
}

bool PayloadIdentifier720_1g5::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier720_1g5::doSmpteValidationChecks() const {
    QStringList messages = checkPayloadCode(payloadAndDigitalInterface);
    if (!isPictureProgressive()) {
        messages << fieldMessage("Invalid picture interlaced/progressive: ",
                                 asInt(getPictureInterlaced()));
    }
    if (!isOneOf(asInt(getPictureRate()), {2, 3, 5, 6, 7, 9, 10, 11})) {
        messages << fieldMessage("Invalid picture rate: ", asInt(getPictureRate()));
    }
    if (getSampleStructure() != PayloadId::SampleStructure::YCbCr422) {
        messages << fieldMessage("Invalid sampling structure: ", asInt(getSampleStructure()));
    }
    if (!isOneOf(asInt(getBitDepth()), {0, 1})) {
        messages << fieldMessage("Invalid bit depth: ", asInt(getBitDepth()));
    }
    return messages;
}

}  // namespace Corvane::Sdi
