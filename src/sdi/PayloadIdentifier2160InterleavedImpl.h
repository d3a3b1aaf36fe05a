#pragma once

// Member definitions of PayloadIdentifier2160Interleaved; included only by
// the source of each interface class, which instantiates it once.

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
const PayloadIdentifierBase::FieldLayout&
PayloadIdentifier2160Interleaved<Code, Links, Rate, Level, ChannelBits>::fieldLayout() {
    static const FieldLayout& layout = *new FieldLayout([] {
        // The channel takes the top ChannelBits bits of byte 4.
        std::vector<PayloadIdentifierField::Bit> channelBits;
        for (unsigned int bit = 8 - ChannelBits; bit < 8; ++bit) {
            channelBits.push_back(static_cast<PayloadIdentifierField::Bit>(bit));
        }
        FieldMap map = multiLinkFieldMap(PayloadIdentifierField(3, std::move(channelBits)));
        // Level B streams are dual-link streams and keep their byte 3.
        return Level == SdiLevel::B ? withDualLinkByte3Layout(std::move(map)) : map;
    }());
    return layout;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
std::uint32_t
PayloadIdentifier2160Interleaved<Code, Links, Rate, Level, ChannelBits>::getPayloadIdentifierWord(
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

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
SubImagePixelMappingFormat PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::TwoSampleInterleave;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate, Level,
                                              ChannelBits>::getNumPhysicalConnections() const {
    return Links;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
SdiDataRate PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getDataRatePerPhysicalConnection() const {
    return Rate;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate, Level, ChannelBits>::getLevel()
    const {
    return Level;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int
PayloadIdentifier2160Interleaved<Code, Links, Rate, Level, ChannelBits>::getNumSubPictures() const {
    return 4;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getPicutreInterlacedProgressivePsf() const {
    return Level == SdiLevel::B ? levelBScanningKind() : scanningKindFromScanningBits();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
std::vector<unsigned int>
PayloadIdentifier2160Interleaved<Code, Links, Rate, Level, ChannelBits>::getFieldHeights() const {
    return fieldHeights1125Lines();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
std::vector<unsigned int> PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getFieldFirstLineNumbersOfActivePicture() const {
    return firstActiveLines1125Lines();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getFieldActivePictureWidthInSamples() const {
    // Level B puts a pixel's second sample location on the link's second
    // stream, so its lines never grow; level A lines double instead.
    return Level == SdiLevel::B
               ? subImageWidth1080()
               : doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(subImageWidth1080());
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<Code, Links, Rate, Level,
                                              ChannelBits>::getFieldActivePictureHeight() const {
    // A level B progressive picture on an interlaced transport travels as
    // two fields.
    const bool wholeFrame =
        isPictureProgressive() && (Level == SdiLevel::A || isTransportProgressive());
    return wholeFrame ? 1080 : 540;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getReconstructedImageWidthInPixels() const {
    return 2 * subImageWidth1080();
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
unsigned int PayloadIdentifier2160Interleaved<
    Code, Links, Rate, Level, ChannelBits>::getReconstructedImageHeightInPixels() const {
    return 2160;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
bool PayloadIdentifier2160Interleaved<Code, Links, Rate, Level,
                                      ChannelBits>::hasCorrectpayloadAndDigitalInterface() const {
    return getPayloadAndDigitialInterface() == payloadAndDigitalInterface;
}

template <PayloadId::PayloadAndDigitalInterface Code, unsigned int Links, SdiDataRate Rate,
          unsigned int Level, unsigned int ChannelBits>
QStringList PayloadIdentifier2160Interleaved<Code, Links, Rate, Level,
                                             ChannelBits>::doSmpteValidationChecks() const {
    return checkPayloadCode(payloadAndDigitalInterface);
}

}  // namespace Corvane::Sdi
