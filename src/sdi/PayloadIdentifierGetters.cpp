// The field getters: one field of the word each, through the layout.

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

PayloadId::PayloadAndDigitalInterface PayloadIdentifierBase::getPayloadAndDigitialInterface()
    const {
    if (!hasField(FieldType::PayloadAndDigitalInterface)) {
        return static_cast<PayloadId::PayloadAndDigitalInterface>(bytes_[0]);
    }
    return static_cast<PayloadId::PayloadAndDigitalInterface>(
        readField(FieldType::PayloadAndDigitalInterface));
}
PayloadId::SampleStructure PayloadIdentifierBase::getSampleStructure() const {
    return static_cast<PayloadId::SampleStructure>(readField(FieldType::SampleStructure));
}
PayloadId::PictureRate PayloadIdentifierBase::getPictureRate() const {
    return static_cast<PayloadId::PictureRate>(readField(FieldType::PictureRate));
}
PayloadId::PictureFormat PayloadIdentifierBase::getPictureInterlaced() const {
    return static_cast<PayloadId::PictureFormat>(readField(FieldType::PictureInterlaced));
}
PayloadId::TransportFormat PayloadIdentifierBase::getTransportInterlaced() const {
    return static_cast<PayloadId::TransportFormat>(readField(FieldType::TransportInterlaced));
}
PayloadId::BitDepth PayloadIdentifierBase::getBitDepth() const {
    return static_cast<PayloadId::BitDepth>(readField(FieldType::BitDepth));
}
PayloadId::AspectRatio PayloadIdentifierBase::getAspectRatio() const {
    return static_cast<PayloadId::AspectRatio>(readField(FieldType::AspectRatio));
}
PayloadId::HorizontalPixelArraySize PayloadIdentifierBase::getHorizontalArraySize() const {
    return static_cast<PayloadId::HorizontalPixelArraySize>(
        readField(FieldType::HorizontalArraySize));
}
PayloadId::Colourimetry PayloadIdentifierBase::getColourimetry() const {
    return static_cast<PayloadId::Colourimetry>(readField(FieldType::Colourimetry));
}
PayloadId::TransferCurve PayloadIdentifierBase::getTransferCharacteristics() const {
    return static_cast<PayloadId::TransferCurve>(readField(FieldType::TransferCharacteristics));
}
PayloadId::LuminanceAndColourDifferenceSignal
PayloadIdentifierBase::getLuminanceAndColourDifferenceSignal() const {
    return static_cast<PayloadId::LuminanceAndColourDifferenceSignal>(
        readField(FieldType::LuminanceAndColourDifferenceSignal));
}
PayloadId::Channel PayloadIdentifierBase::getChannel() const {
    return static_cast<PayloadId::Channel>(readField(FieldType::Channel));
}
PayloadId::AudioCopyStatus PayloadIdentifierBase::getAudioCopyStatus() const {
    return static_cast<PayloadId::AudioCopyStatus>(readField(FieldType::AudioCopyStatus));
}

}  // namespace Corvane::Sdi
