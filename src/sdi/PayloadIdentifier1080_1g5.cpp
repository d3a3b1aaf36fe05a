#include "sdi/PayloadIdentifier1080_1g5.h"

namespace Corvane::Sdi {

PayloadIdentifier1080_1g5::PayloadIdentifier1080_1g5(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifier1080_1g5::fieldLayout() {
    static const FieldLayout& layout = *new FieldLayout(withDualLinkByte3Layout(genericFieldMap()));
    return layout;
}

SubImagePixelMappingFormat PayloadIdentifier1080_1g5::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifier1080_1g5::getNumPhysicalConnections() const {
    return 1;
}
SdiDataRate PayloadIdentifier1080_1g5::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::Rate1G5;
}
unsigned int PayloadIdentifier1080_1g5::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifier1080_1g5::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifier1080_1g5::getPicutreInterlacedProgressivePsf() const {
    return scanningKindFromScanningBits();
}
std::vector<unsigned int> PayloadIdentifier1080_1g5::getFieldHeights() const {
    return fieldHeights1125Lines();
}
std::vector<unsigned int> PayloadIdentifier1080_1g5::getFieldFirstLineNumbersOfActivePicture()
    const {
    return firstActiveLines1125Lines();
}
unsigned int PayloadIdentifier1080_1g5::getFieldActivePictureWidthInSamples() const {
    return subImageWidth1080();
}
unsigned int PayloadIdentifier1080_1g5::getFieldActivePictureHeight() const {
    return getPicutreInterlacedProgressivePsf() == ScanningKind::Progressive ? 1080 : 540;
}
unsigned int PayloadIdentifier1080_1g5::getReconstructedImageWidthInPixels() const {
    return subImageWidth1080();
}
unsigned int PayloadIdentifier1080_1g5::getReconstructedImageHeightInPixels() const {
    return 1080;
}

bool PayloadIdentifier1080_1g5::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

QStringList PayloadIdentifier1080_1g5::doSmpteValidationChecks() const {
    QStringList messages = checkPayloadCode(payloadAndDigitalInterface);
    const int rate = asInt(getPictureRate());
    // 1.5G carries frame rates up to 30; 2048-wide pictures only progressive.
    const bool progressiveRateOk = isOneOf(rate, {2, 3, 5, 6, 7});
    const bool interlacedRateOk = isOneOf(rate, {5, 6, 7});
    switch (getHorizontalArraySize()) {
        case PayloadId::HorizontalPixelArraySize::Pixels1920:
            if (isPictureProgressive() ? !progressiveRateOk : !interlacedRateOk) {
                messages << fieldMessage("Invalid picture rate: ", rate);
            }
            break;
        case PayloadId::HorizontalPixelArraySize::Pixels2048:
            if (!isPictureProgressive()) {
                messages << fieldMessage("Invalid picture interlaced/progressive: ",
                                         asInt(getPictureInterlaced()));
            } else if (!progressiveRateOk) {
                messages << fieldMessage("Invalid picture rate: ", rate);
            }
            break;
        default:
            messages << fieldMessage("Invalid horizontal pixel array size: ",
                                     asInt(getHorizontalArraySize()));
            break;
    }
    if (!isOneOf(asInt(getSampleStructure()), {0, 3})) {
        messages << fieldMessage("Invalid sampling structure: ", asInt(getSampleStructure()));
    }
    if (!isOneOf(asInt(getBitDepth()), {0, 1})) {
        messages << fieldMessage("Invalid bit depth: ", asInt(getBitDepth()));
    }
    return messages;
}

}  // namespace Corvane::Sdi
