#pragma once

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

// 1080-line picture on one 1.5G link (ST 292-1).
class PayloadIdentifier1080_1g5 final : public PayloadIdentifierBase {
public:
    static constexpr PayloadId::PayloadAndDigitalInterface payloadAndDigitalInterface =
        PayloadId::PayloadAndDigitalInterface::Payload1080_1g5;

    explicit PayloadIdentifier1080_1g5(std::uint32_t payloadIdentifierWord);

    // The bit layout of this interface's identifier, built once per process.
    static const FieldLayout& fieldLayout();
    static const FieldMap& createFieldMap() { return fieldLayout().fieldMap(); }

    // No builder of its own: words are composed field by field with
    // composePayloadIdentifierWord(fieldLayout(), code, ...).

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
