// Reserved bits, field overlap and the validation pieces the interface classes share.

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

QStringList PayloadIdentifierBase::doReservedBitsChecks() const {
    const std::uint32_t remaining = payloadIdentifierWord_ & ~layout_->claimedBits();
    QStringList messages;
    for (int bit = 0; bit < 32; ++bit) {
        if (((remaining >> bit) & 1U) != 0) {
            messages
                << QStringLiteral("Reserved bit not 0, Byte %1, Bit %2").arg(bit / 8).arg(bit % 8);
        }
    }
    return messages;
}

bool PayloadIdentifierBase::checkThatPayloadIdentifierFieldsDoNotOverlap() const {
    std::uint32_t claimed = 0;
    for (const auto& entry : layout_->fieldMap()) {
        const std::uint32_t mask = entry.second.wordMask();
        if ((claimed & mask) != 0) {
            return false;
        }
        claimed |= mask;
    }
    return true;
}

QStringList PayloadIdentifierBase::checkPayloadCode(
    PayloadId::PayloadAndDigitalInterface code) const {
    if (getPayloadAndDigitialInterface() == code) {
        return {};
    }
    return {
        fieldMessage("Incorrect payload identifier: ", asInt(getPayloadAndDigitialInterface()))};
}

QStringList PayloadIdentifierBase::checkRateAndSamplingRanges() const {
    QStringList messages;
    const int rate = asInt(getPictureRate());
    if (rate < 2 || rate > 11) {
        messages << fieldMessage("Invalid picture rate: ", rate);
    }
    const int sampling = asInt(getSampleStructure());
    if (sampling < 0 || sampling > 10) {
        messages << fieldMessage("Invalid sampling structure: ", sampling);
    }
    return messages;
}

QString PayloadIdentifierBase::fieldMessage(const char* text, int value) {
    return QString::fromUtf8(text) + QString::number(value);
}

bool PayloadIdentifierBase::isOneOf(int value, std::initializer_list<int> allowed) {
    for (const int candidate : allowed) {
        if (candidate == value) {
            return true;
        }
    }
    return false;
}

}  // namespace Corvane::Sdi
