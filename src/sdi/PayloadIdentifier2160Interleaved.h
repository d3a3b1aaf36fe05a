#pragma once

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

// The 2160-line interfaces that carry the picture as four 1080-line
// sub-images in two-sample interleave (four 3G links at level A or B, one or
// two 6G links, one 12G link) share their field layout, geometry and rules;
// they differ in their code, link count, link rate and level, and in how many
// of byte 4's top bits number the channel (two for the four streams of four
// 3G level A links, three elsewhere). Each instantiation keeps its own
// layout. An interface with further rules overrides doSmpteValidationChecks.
template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level = SdiLevel::A, unsigned int ChannelBits = 3>
class PayloadIdentifier2160Interleaved : public PayloadIdentifierBase {
public:
    static constexpr PayloadId::PayloadAndDigitalInterface payloadAndDigitalInterface = Code;

    explicit PayloadIdentifier2160Interleaved(std::uint32_t payloadIdentifierWord)
        : PayloadIdentifierBase(payloadIdentifierWord, fieldLayout()) {}

    // The bit layout of this interface's identifier, built once per process.
    static const FieldLayout& fieldLayout();
    static const FieldMap& createFieldMap() { return fieldLayout().fieldMap(); }

    // A word with this interface's code and the given field values; a value
    // that does not fit its field is left out.
    static std::uint32_t getPayloadIdentifierWord(
        PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
        PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
        PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
        PayloadId::TransferCurve transferCurve,
        PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal);

    SubImagePixelMappingFormat getSubImagePixelMappingFormat() const override;
    unsigned int getNumPhysicalConnections() const override;
    SdiDataRate getDataRatePerPhysicalConnection() const override;
    unsigned int getLevel() const override;
    unsigned int getNumSubPictures() const override;
    unsigned int getPicutreInterlacedProgressivePsf() const override;
    std::vector<unsigned int> getFieldHeights() const override;
    std::vector<unsigned int> getFieldFirstLineNumbersOfActivePicture() const override;
    unsigned int getFieldActivePictureWidthInSamples() const override;
    unsigned int getFieldActivePictureHeight() const override;
    unsigned int getReconstructedImageWidthInPixels() const override;
    unsigned int getReconstructedImageHeightInPixels() const override;
    bool hasCorrectpayloadAndDigitalInterface() const override;
    // Rule 1 only: byte 1 is this interface's code.
    QStringList doSmpteValidationChecks() const override;

    static_assert(Level == SdiLevel::A || Level == SdiLevel::B);
    static_assert(ChannelBits >= 1 && ChannelBits <= 8);
};

}  // namespace Corvane::Sdi
