#pragma once

#include <memory>
#include <vector>

#include "sdi/SdiTypes.h"
#include "sdi/StandardFromPayloadIdentifier.h"

namespace Corvane::Sdi {

using StandardList = std::vector<std::unique_ptr<const StandardFromPayloadIdentifier>>;

// Builds the payload identifiers of every link of a standard from its field
// values and appends the resulting standard to `standards`. Values that do
// not fit their field are left out of the words; the standard is appended
// all the same (its identifiers' validation reports the problem).
class VideoStandardCreator {
public:
    VideoStandardCreator() = delete;

    static void add720_1g5(PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
                           PayloadId::Colourimetry colourimetry, PayloadId::BitDepth depth,
                           PayloadId::TransferCurve transfer,
                           PayloadId::LuminanceAndColourDifferenceSignal luminance,
                           StandardList& standards);

    static void add720_3g(PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
                          PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
                          PayloadId::BitDepth depth, PayloadId::TransferCurve transfer,
                          PayloadId::LuminanceAndColourDifferenceSignal luminance,
                          StandardList& standards);

    // 1080-line interfaces, one identifier on 1.5G and two on 3G.
    static void add1080_1g5(PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
                            PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
                            PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
                            PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
                            PayloadId::TransferCurve transfer,
                            PayloadId::LuminanceAndColourDifferenceSignal luminance,
                            StandardList& standards);
    static void add1080_3g(PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
                           PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
                           PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
                           PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
                           PayloadId::TransferCurve transfer,
                           PayloadId::LuminanceAndColourDifferenceSignal luminance,
                           StandardList& standards);
    static void add1080_Levelb3g(PayloadId::PictureFormat picture,
                                 PayloadId::TransportFormat transport, PayloadId::PictureRate rate,
                                 PayloadId::SampleStructure sampling,
                                 PayloadId::Colourimetry colourimetry,
                                 PayloadId::AspectRatio aspect,
                                 PayloadId::HorizontalPixelArraySize width,
                                 PayloadId::BitDepth depth, PayloadId::TransferCurve transfer,
                                 PayloadId::LuminanceAndColourDifferenceSignal luminance,
                                 StandardList& standards);

    // A 2160-line picture as four 1080-line quadrants, one per 3G link.
    static void add2160_QuadLink3gQuadrantMode(
        PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
        PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
        PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
        PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
        StandardList& standards);
    static void add2160_QuadLinkLevelb3gQuadrantMode(
        PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
        PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
        PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
        PayloadId::TransferCurve transfer, PayloadId::LuminanceAndColourDifferenceSignal luminance,
        StandardList& standards);

    // 2160-line interfaces: four sub-images, two identifiers each.
    static void add2160_12g(PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
                            PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
                            PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
                            PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
                            PayloadId::AudioCopyStatus audioCopyStatus,
                            PayloadId::TransferCurve transfer,
                            PayloadId::LuminanceAndColourDifferenceSignal luminance,
                            StandardList& standards);
    static void add2160_6g(PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
                           PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
                           PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
                           PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
                           PayloadId::AudioCopyStatus audioCopyStatus,
                           PayloadId::TransferCurve transfer,
                           PayloadId::LuminanceAndColourDifferenceSignal luminance,
                           StandardList& standards);
    static void add2160_DualLink6g(
        PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
        PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
        PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
        PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards);
    static void add2160_QuadLink3g(
        PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
        PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
        PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
        PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards);
    static void add2160_QuadLinkLevelb3g(
        PayloadId::PictureFormat picture, PayloadId::TransportFormat transport,
        PayloadId::PictureRate rate, PayloadId::SampleStructure sampling,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspect,
        PayloadId::HorizontalPixelArraySize width, PayloadId::BitDepth depth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::TransferCurve transfer,
        PayloadId::LuminanceAndColourDifferenceSignal luminance, StandardList& standards);
};

}  // namespace Corvane::Sdi
