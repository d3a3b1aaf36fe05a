#include "sdi/VideoStandardCreator.h"

#include "sdi/PayloadIdentifier1080_1g5.h"
#include "sdi/PayloadIdentifier1080_3g.h"
#include "sdi/PayloadIdentifier1080_Levelb3g.h"
#include "sdi/PayloadIdentifier2160_12g.h"
#include "sdi/PayloadIdentifier2160_6g.h"
#include "sdi/PayloadIdentifier2160_DualLink6g.h"
#include "sdi/PayloadIdentifier2160_QuadLink3g.h"
#include "sdi/PayloadIdentifier2160_QuadLinkLevelb3g.h"
#include "sdi/PayloadIdentifier720_1g5.h"
#include "sdi/PayloadIdentifier720_3g.h"

namespace Corvane::Sdi {

namespace {

using Field = PayloadIdentifierBase::FieldType;
using List = StandardFromPayloadIdentifier::PayloadIdentifierList;
using PayloadId::Channel;

template <typename E>
int value(E e) {
    return static_cast<int>(e);
}

template <typename Identifier>
std::uint8_t byte1() {
    return static_cast<std::uint8_t>(Identifier::payloadAndDigitalInterface);
}

// One identifier object shared by `count` positions of the list.
template <typename Identifier>
List sameIdentifier(std::uint32_t word, std::size_t count) {
    return List(count, std::make_shared<const Identifier>(word));
}

// One identifier object per position, the word carrying that position's channel.
template <typename Identifier, typename WordOfChannel>
List distinctIdentifiers(std::initializer_list<int> channels, WordOfChannel wordOfChannel) {
    List identifiers;
    identifiers.reserve(channels.size());
    for (int channel : channels) {
        identifiers.push_back(
            std::make_shared<const Identifier>(wordOfChannel(static_cast<Channel>(channel))));
    }
    return identifiers;
}

void append(const List& identifiers, StandardList& standards) {
    standards.push_back(
        StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier(identifiers));
}

// The field values shared by the 1080-line builders.
struct Values1080 {
    PayloadId::PictureFormat picture;
    PayloadId::TransportFormat transport;
    PayloadId::PictureRate rate;
    PayloadId::SampleStructure sampling;
    PayloadId::Colourimetry colourimetry;
    PayloadId::AspectRatio aspect;
    PayloadId::HorizontalPixelArraySize width;
    PayloadId::BitDepth depth;
    PayloadId::TransferCurve transfer;
    PayloadId::LuminanceAndColourDifferenceSignal luminance;
};

std::uint32_t word1080_3g(const Values1080& v) {
    return PayloadIdentifier1080_3g::getPayloadIdentifierWord(
        v.transport, v.picture, v.rate, v.colourimetry, v.aspect, v.width, v.sampling, v.depth,
        v.transfer, v.luminance);
}

List levelB1080(const Values1080& v, std::initializer_list<int> channels) {
    return distinctIdentifiers<PayloadIdentifier1080_Levelb3g>(channels, [&](Channel channel) {
        return PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
            v.transport, v.picture, v.rate, v.colourimetry, v.width, v.aspect, v.sampling, channel,
            v.depth, v.transfer, v.luminance);
    });
}

constexpr std::initializer_list<int> channelZeroEightTimes = {0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

void VideoStandardCreator::add720_1g5(PayloadId::PictureRate rate,
                                      PayloadId::SampleStructure sampling,
                                      PayloadId::Colourimetry colourimetry,
                                      PayloadId::BitDepth depth, PayloadId::TransferCurve transfer,
                                      PayloadId::LuminanceAndColourDifferenceSignal luminance,
                                      StandardList& standards) {
    using Identifier = PayloadIdentifier720_1g5;
    const std::uint32_t word = PayloadIdentifierBase::composePayloadIdentifierWord(
        Identifier::fieldLayout(), byte1<Identifier>(),
        {{Field::PictureInterlaced, value(PayloadId::PictureFormat::Progressive)},
         {Field::PictureRate, value(rate)},
         {Field::SampleStructure, value(sampling)},
         {Field::Colourimetry, value(colourimetry)},
         {Field::BitDepth, value(depth)},
         {Field::TransferCharacteristics, value(transfer)},
         {Field::LuminanceAndColourDifferenceSignal, value(luminance)}});
    append(sameIdentifier<Identifier>(word, 1), standards);
}

void VideoStandardCreator::add720_3g(PayloadId::PictureRate rate,
                                     PayloadId::SampleStructure sampling,
                                     PayloadId::Colourimetry colourimetry,
                                     PayloadId::AspectRatio aspect, PayloadId::BitDepth depth,
                                     PayloadId::TransferCurve transfer,
                                     PayloadId::LuminanceAndColourDifferenceSignal luminance,
                                     StandardList& standards) {
    using Identifier = PayloadIdentifier720_3g;
    const std::uint32_t word = PayloadIdentifierBase::composePayloadIdentifierWord(
        Identifier::fieldLayout(), byte1<Identifier>(),
        {{Field::TransportInterlaced, value(PayloadId::TransportFormat::Progressive)},
         {Field::PictureInterlaced, value(PayloadId::PictureFormat::Progressive)},
         {Field::PictureRate, value(rate)},
         {Field::SampleStructure, value(sampling)},
         {Field::Colourimetry, value(colourimetry)},
         {Field::AspectRatio, value(aspect)},
         {Field::BitDepth, value(depth)},
         {Field::TransferCharacteristics, value(transfer)},
         {Field::LuminanceAndColourDifferenceSignal, value(luminance)}});
    append(sameIdentifier<Identifier>(word, 2), standards);
}

void VideoStandardCreator::add1080_1g5(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
    StandardList& standards) {
    using Identifier = PayloadIdentifier1080_1g5;
    const std::uint32_t word = PayloadIdentifierBase::composePayloadIdentifierWord(
        Identifier::fieldLayout(), byte1<Identifier>(),
        {{Field::TransportInterlaced, value(transport)},
         {Field::PictureInterlaced, value(picture)},
         {Field::PictureRate, value(rate)},
         {Field::SampleStructure, value(sampling)},
         {Field::Colourimetry, value(colourimetry)},
         {Field::AspectRatio, value(aspect)},
         {Field::HorizontalArraySize, value(width)},
         {Field::BitDepth, value(depth)},
         {Field::TransferCharacteristics, value(transfer)},
         {Field::LuminanceAndColourDifferenceSignal, value(luminance)}});
    append(sameIdentifier<Identifier>(word, 1), standards);
}

void VideoStandardCreator::add1080_3g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
    StandardList& standards) {
    append(sameIdentifier<PayloadIdentifier1080_3g>(
               word1080_3g({picture, transport, rate, sampling, colourimetry, aspect, width, depth,
                            transfer, luminance}),
               2),
           standards);
}

void VideoStandardCreator::add1080_Levelb3g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
    StandardList& standards) {
    append(levelB1080({picture, transport, rate, sampling, colourimetry, aspect, width, depth,
                       transfer, luminance},
                      {0, 1}),
           standards);
}

void VideoStandardCreator::add2160_QuadLink3gQuadrantMode(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
    StandardList& standards) {
    // The four quadrants carry one picture format: one identifier throughout.
    append(sameIdentifier<PayloadIdentifier1080_3g>(
               word1080_3g({picture, transport, rate, sampling, colourimetry, aspect, width, depth,
                            transfer, luminance}),
               8),
           standards);
}

void VideoStandardCreator::add2160_QuadLinkLevelb3gQuadrantMode(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
    StandardList& standards) {
    append(levelB1080({picture, transport, rate, sampling, colourimetry, aspect, width, depth,
                       transfer, luminance},
                      {0, 1, 0, 1, 0, 1, 0, 1}),
           standards);
}

// The single- and dual-link 2160-line interfaces share one builder layout.
template <typename Identifier>
static void add2160WithCommonLayout(
    std::initializer_list<int> channels, PayloadId::PictureFormat picture,
    PayloadId::TransportFormat transport, PayloadId::PictureRate rate,
    PayloadId::SampleStructure sampling, PayloadId::Colourimetry colourimetry,
    PayloadId::AspectRatio aspect, PayloadId::HorizontalPixelArraySize width,
    PayloadId::BitDepth depth, PayloadId::AudioCopyStatus audioCopyStatus,
    PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
    StandardList& standards) {
    append(distinctIdentifiers<Identifier>(channels,
                                           [&](Channel channel) {
                                               return Identifier::getPayloadIdentifierWord(
                                                   transport, picture, rate, sampling, colourimetry,
                                                   aspect, width, depth, audioCopyStatus, channel,
                                                   transfer, luminance);
                                           }),
           standards);
}

void VideoStandardCreator::add2160_12g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
    PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards) {
    add2160WithCommonLayout<PayloadIdentifier2160_12g>(
        channelZeroEightTimes, picture, transport, rate, sampling, colourimetry, aspect, width,
        depth, audioCopyStatus, transfer, luminance, standards);
}

void VideoStandardCreator::add2160_6g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
    PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards) {
    add2160WithCommonLayout<PayloadIdentifier2160_6g>(
        channelZeroEightTimes, picture, transport, rate, sampling, colourimetry, aspect, width,
        depth, audioCopyStatus, transfer, luminance, standards);
}

void VideoStandardCreator::add2160_DualLink6g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
    PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards) {
    add2160WithCommonLayout<PayloadIdentifier2160_DualLink6g>(
        {0, 0, 0, 0, 1, 1, 1, 1}, picture, transport, rate, sampling, colourimetry, aspect, width,
        depth, audioCopyStatus, transfer, luminance, standards);
}

void VideoStandardCreator::add2160_QuadLink3g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
    PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards) {
    append(distinctIdentifiers<PayloadIdentifier2160_QuadLink3g>(
               {0, 0, 1, 1, 2, 2, 3, 3},
               [&](Channel channel) {
                   return PayloadIdentifier2160_QuadLink3g::getPayloadIdentifierWord(
                       transport, picture, rate, sampling, colourimetry, aspect, width, depth,
                       audioCopyStatus, transfer, luminance, channel);
               }),
           standards);
}

void VideoStandardCreator::add2160_QuadLinkLevelb3g(
    PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
    PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
    PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
    PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards) {
    append(distinctIdentifiers<PayloadIdentifier2160_QuadLinkLevelb3g>(
               {0, 1, 2, 3, 4, 5, 6, 7},
               [&](Channel channel) {
                   return PayloadIdentifier2160_QuadLinkLevelb3g::getPayloadIdentifierWord(
                       transport, picture, rate, colourimetry, sampling, aspect, width, depth,
                       audioCopyStatus, channel, transfer, luminance);
               }),
           standards);
}

}  // namespace Corvane::Sdi
