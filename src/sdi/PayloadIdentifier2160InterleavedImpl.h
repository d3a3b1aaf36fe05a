#pragma once

// Member definitions of PayloadIdentifier2160Interleaved; included only by
// the source of each interface class, which instantiates it once.

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
const PayloadIdentifierBase::FieldLayout&
PayloadIdentifier2160Interleaved<Code, Links, Rate>::fieldLayout() {
    using Bit = PayloadIdentifierField::Bit;
    static const FieldLayout& layout = *new FieldLayout(
        multiLinkFieldMap(PayloadIdentifierField(3, {Bit::Bit5, Bit::Bit6, Bit::Bit7})));
    return layout;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
std::uint32_t PayloadIdentifier2160Interleaved<Code, Links, Rate>::getPayloadIdentifierWord(
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    return composeWordFromFields(fieldLayout(), payloadAndDigitalInterface, transportFormat,
                                 pictureFormat, pictureRate, sampleStructure, colourimetry,
                                 aspectRatio, horizontalPixelArraySize, bitDepth, audioCopyStatus,
                                 channel, transferCurve, luminanceAndColourDifferenceSignal);
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
SubImagePixelMappingFormat
PayloadIdentifier2160Interleaved<Code, Links, Rate>::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::TwoSampleInterleave;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate>::getNumPhysicalConnections()
    const {
    return Links;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
SdiDataRate PayloadIdentifier2160Interleaved<Code, Links, Rate>::getDataRatePerPhysicalConnection()
    const {
    return Rate;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate>::getLevel() const {
    return SdiLevel::A;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate>::getNumSubPictures() const {
    return 4;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int
PayloadIdentifier2160Interleaved<Code, Links, Rate>::getPicutreInterlacedProgressivePsf() const {
    return scanningKindFromScanningBits();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
std::vector<unsigned int> PayloadIdentifier2160Interleaved<Code, Links, Rate>::getFieldHeights()
    const {
    return fieldHeights1125Lines();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
std::vector<unsigned int> PayloadIdentifier2160Interleaved<
    Code, Links, Rate>::getFieldFirstLineNumbersOfActivePicture() const {
    return firstActiveLines1125Lines();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int
PayloadIdentifier2160Interleaved<Code, Links, Rate>::getFieldActivePictureWidthInSamples() const {
    return doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(subImageWidth1080());
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate>::getFieldActivePictureHeight()
    const {
    return isPictureProgressive() ? 1080 : 540;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int
PayloadIdentifier2160Interleaved<Code, Links, Rate>::getReconstructedImageWidthInPixels() const {
    return 2 * subImageWidth1080();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
unsigned int
PayloadIdentifier2160Interleaved<Code, Links, Rate>::getReconstructedImageHeightInPixels() const {
    return 2160;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
bool PayloadIdentifier2160Interleaved<Code, Links, Rate>::hasCorrectpayloadAndDigitalInterface()
    const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate>
QStringList PayloadIdentifier2160Interleaved<Code, Links, Rate>::doSmpteValidationChecks() const {
    return checkPayloadCode(payloadAndDigitalInterface);
}

}  // namespace Corvane::Sdi
