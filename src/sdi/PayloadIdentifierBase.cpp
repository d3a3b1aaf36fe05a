// Construction, raw access and the base results of the virtual operations.

#include "sdi/PayloadIdentifierBase.h"

#include "app/Logging.h"

namespace Corvane::Sdi {

namespace {

// Byte 1 of the identifier first.
std::array<std::uint8_t, 4> splitIntoBytes(std::uint32_t word) {
    return {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
            static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
}

}  // namespace

PayloadIdentifierBase::PayloadIdentifierBase(std::uint32_t payloadIdentifierWord,
                                             const FieldLayout& sharedLayout)
    : payloadIdentifierWord_(payloadIdentifierWord),
      bytes_(splitIntoBytes(payloadIdentifierWord)),
      layout_(&sharedLayout) {
    logReservedBits();
}

PayloadIdentifierBase::PayloadIdentifierBase(std::uint32_t payloadIdentifierWord, FieldMap fieldMap)
    : payloadIdentifierWord_(payloadIdentifierWord),
      bytes_(splitIntoBytes(payloadIdentifierWord)),
      ownLayout_(std::make_shared<const FieldLayout>(std::move(fieldMap))),
      layout_(ownLayout_.get()) {
    logReservedBits();
}

PayloadIdentifierBase::PayloadIdentifierBase(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, defaultFieldLayout()) {}

void PayloadIdentifierBase::logReservedBits() const {
    // The common case, no reserved bit set, builds no message list.
    if ((payloadIdentifierWord_ & ~layout_->claimedBits()) == 0) {
        return;
    }
    for (const QString& message : doReservedBitsChecks()) {
        logf(LogLevel::warning, "{}", message);
    }
}

std::uint8_t PayloadIdentifierBase::getByte(int byteIndex) const {
    if (byteIndex < 0 || byteIndex > 3) {
        return 0;
    }
    return bytes_[static_cast<std::size_t>(byteIndex)];
}

SubImagePixelMappingFormat PayloadIdentifierBase::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifierBase::getNumPhysicalConnections() const {
    return 0;
}
SdiDataRate PayloadIdentifierBase::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::NoSignal;
}
unsigned int PayloadIdentifierBase::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifierBase::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifierBase::getPicutreInterlacedProgressivePsf() const {
    return ScanningKind::Progressive;
}
std::vector<unsigned int> PayloadIdentifierBase::getFieldHeights() const {
    return {};
}
std::vector<unsigned int> PayloadIdentifierBase::getFieldFirstLineNumbersOfActivePicture() const {
    return {};
}
unsigned int PayloadIdentifierBase::getFieldActivePictureWidthInSamples() const {
    return 0;
}
unsigned int PayloadIdentifierBase::getFieldActivePictureHeight() const {
    return 0;
}
unsigned int PayloadIdentifierBase::getReconstructedImageWidthInPixels() const {
    return 0;
}
unsigned int PayloadIdentifierBase::getReconstructedImageHeightInPixels() const {
    return 0;
}
bool PayloadIdentifierBase::hasCorrectpayloadAndDigitalInterface() const {
    return false;
}
QStringList PayloadIdentifierBase::doSmpteValidationChecks() const {
    return {QStringLiteral("Error packet does not match any supported type")};
}

}  // namespace Corvane::Sdi
