#pragma once

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

// 1080-line picture on one 3G link, level A (ST 425-1).
class PayloadIdentifier1080_3g final : public PayloadIdentifierBase {
public:
    static constexpr PayloadId::PayloadAndDigitalInterface payloadAndDigitalInterface =
        PayloadId::PayloadAndDigitalInterface::Payload1080_3g;

    explicit PayloadIdentifier1080_3g(std::uint32_t payloadIdentifierWord);

    // The bit layout of this interface's identifier, built once per process.
    static const FieldLayout& fieldLayout();
    static const FieldMap& createFieldMap() { return fieldLayout().fieldMap(); }

    // A word with this interface's code and the given field values; a value
    // that does not fit its field is left out.
    static std::uint32_t getPayloadIdentifierWord(
        PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
        PayloadId::PictureRate pictureRate, PayloadId::Colourimetry colourimetry,
        PayloadId::AspectRatio aspectRatio,
        PayloadId::HorizontalPixelArraySize horizontalPixelArraySize,
        PayloadId::SampleStructure sampleStructure, PayloadId::BitDepth bitDepth,
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
    QStringList doSmpteValidationChecks() const override;
};

}  // namespace Corvane::Sdi
