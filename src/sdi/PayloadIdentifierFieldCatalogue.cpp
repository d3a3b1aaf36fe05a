// The generic field definitions, the maps made of them and the word builders.

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

namespace {

using Bit = PayloadIdentifierField::Bit;

}  // namespace

PayloadIdentifierField PayloadIdentifierBase::defaultPayloadIdentifierFieldDefinition() {
    return {
        0,
        {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3, Bit::Bit4, Bit::Bit5, Bit::Bit6, Bit::Bit7}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultSamplingStructureFieldDefinition() {
    return {2, {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultPictureRateFieldDefinition() {
    return {1, {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultPictureFormatFieldDefinition() {
    return {1, {Bit::Bit6}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultTransportFormatFieldDefinition() {
    return {1, {Bit::Bit7}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultBitDepthFieldDefinition() {
    return {3, {Bit::Bit0, Bit::Bit1}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultAspectRatioFieldDefinition() {
    return {2, {Bit::Bit7}};
}
PayloadIdentifierField PayloadIdentifierBase::generalHorizontalPixelArraySizeFieldDefinition() {
    return {2, {Bit::Bit6}};
}
PayloadIdentifierField PayloadIdentifierBase::generalColourimetryFieldDefinition() {
    return {2, {Bit::Bit4, Bit::Bit5}};
}
PayloadIdentifierField PayloadIdentifierBase::generalTransferCharacteristicsFieldDefinition() {
    return {1, {Bit::Bit4, Bit::Bit5}};
}
PayloadIdentifierField PayloadIdentifierBase::generalLuminanceAndColourDifferenceFieldDefinition() {
    return {3, {Bit::Bit4}};
}
PayloadIdentifierField PayloadIdentifierBase::generalAudioCopyStatusFieldDefinition() {
    return {3, {Bit::Bit2}};
}

std::uint32_t PayloadIdentifierBase::composePayloadIdentifierWord(
    const FieldMap& fieldMap, std::uint8_t byte1,
    std::initializer_list<std::pair<FieldType, int>> values) {
    return composePayloadIdentifierWord(FieldLayout(fieldMap), byte1, values);
}

std::uint32_t PayloadIdentifierBase::composePayloadIdentifierWord(
    const FieldLayout& layout, std::uint8_t byte1,
    std::initializer_list<std::pair<FieldType, int>> values) {
    std::uint32_t word = std::uint32_t{byte1} << 24;
    for (const auto& [type, value] : values) {
        layout.write(type, word, value);  // absent field or refusal: left out
    }
    return word;
}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifierBase::defaultFieldLayout() {
    static const FieldLayout& layout = *new FieldLayout(FieldMap{
        {FieldType::PayloadAndDigitalInterface, defaultPayloadIdentifierFieldDefinition()},
        {FieldType::TransportInterlaced, defaultTransportFormatFieldDefinition()},
        {FieldType::PictureInterlaced, defaultPictureFormatFieldDefinition()},
        {FieldType::PictureRate, defaultPictureRateFieldDefinition()},
        {FieldType::AspectRatio, defaultAspectRatioFieldDefinition()},
        {FieldType::SampleStructure, defaultSamplingStructureFieldDefinition()},
        {FieldType::BitDepth, defaultBitDepthFieldDefinition()},
    });
    return layout;
}

PayloadIdentifierBase::FieldMap PayloadIdentifierBase::genericFieldMap() {
    return {
        {FieldType::PayloadAndDigitalInterface, defaultPayloadIdentifierFieldDefinition()},
        {FieldType::SampleStructure, defaultSamplingStructureFieldDefinition()},
        {FieldType::PictureRate, defaultPictureRateFieldDefinition()},
        {FieldType::PictureInterlaced, defaultPictureFormatFieldDefinition()},
        {FieldType::TransportInterlaced, defaultTransportFormatFieldDefinition()},
        {FieldType::BitDepth, defaultBitDepthFieldDefinition()},
        {FieldType::AspectRatio, defaultAspectRatioFieldDefinition()},
        {FieldType::HorizontalArraySize, generalHorizontalPixelArraySizeFieldDefinition()},
        {FieldType::Colourimetry, generalColourimetryFieldDefinition()},
        {FieldType::TransferCharacteristics, generalTransferCharacteristicsFieldDefinition()},
        {FieldType::LuminanceAndColourDifferenceSignal,
         generalLuminanceAndColourDifferenceFieldDefinition()},
    };
}

PayloadIdentifierBase::FieldMap PayloadIdentifierBase::withDualLinkByte3Layout(FieldMap map) {
    map[FieldType::AspectRatio] = PayloadIdentifierField(2, {Bit::Bit5});
    map[FieldType::Colourimetry] = PayloadIdentifierField(2, {Bit::Bit4, Bit::Bit7});
    return map;
}

PayloadIdentifierBase::FieldMap PayloadIdentifierBase::multiLinkFieldMap(
    PayloadIdentifierField channel) {
    FieldMap map = genericFieldMap();
    map[FieldType::AudioCopyStatus] = generalAudioCopyStatusFieldDefinition();
    map[FieldType::Channel] = std::move(channel);
    return map;
}

std::uint32_t PayloadIdentifierBase::composeWordFromFields(
    const FieldLayout& layout, PayloadId::PayloadAndDigitalInterface code,
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    return composePayloadIdentifierWord(
        layout, static_cast<std::uint8_t>(code),
        {{FieldType::TransportInterlaced, asInt(transportFormat)},
         {FieldType::PictureInterlaced, asInt(pictureFormat)},
         {FieldType::PictureRate, asInt(pictureRate)},
         {FieldType::SampleStructure, asInt(sampleStructure)},
         {FieldType::Colourimetry, asInt(colourimetry)},
         {FieldType::AspectRatio, asInt(aspectRatio)},
         {FieldType::HorizontalArraySize, asInt(horizontalPixelArraySize)},
         {FieldType::BitDepth, asInt(bitDepth)},
         {FieldType::AudioCopyStatus, asInt(audioCopyStatus)},
         {FieldType::Channel, asInt(channel)},
         {FieldType::TransferCharacteristics, asInt(transferCurve)},
         {FieldType::LuminanceAndColourDifferenceSignal,
          asInt(luminanceAndColourDifferenceSignal)}});
}

}  // namespace Corvane::Sdi
