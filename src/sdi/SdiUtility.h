#pragma once

#include "sdi/SdiTypes.h"

#include <QLatin1String>
#include <QString>

// The display texts of the payload identifier vocabulary and the one-line
// text of a standard built from them. Every text is static ASCII handed out
// as a QLatin1String: Qt code takes it as it is, and the line renderer
// appends it without a temporary string per piece.
namespace Corvane::Sdi::SdiUtility {

// Frame rate for a progressive picture (format 1), field rate otherwise:
// rate 10 gives "59.94" progressive and "119.88" interlaced. Codes outside
// 0..15 give the empty text.
QLatin1String convertPictureRateToString(PayloadId::PictureRate rate,
                                         PayloadId::PictureFormat format);

// "YCbCr:422", "RGB:444", ... ; reserved codes give "RESERVED", values
// outside 0..15 the empty text.
QLatin1String sampleStructureToString(PayloadId::SampleStructure sampling);

// "10FR", "10", "12", "12FR"; anything else the empty text.
QLatin1String bitDepthToString(PayloadId::BitDepth depth);

// "12G", "6G", "3G", "1.5G", "270M", "No Signal", "Unknown"; else "Error".
QLatin1String sdiDataRateToString(SdiDataRate rate);

// "A", "B"; anything else "Error".
QLatin1String levelToString(unsigned int level);

// 1 "psf", 2 "i", 3 "p"; anything else "Error".
QLatin1String scanningKindToString(unsigned int scanningKind);

// 1 "2-SI", 2 "SqDv"; anything else (0 included) "Error".
QLatin1String subImagePixelMappingFormatToString(SubImagePixelMappingFormat format);

// "Rec.709", "ColVancPacket", "Rec.2020", "Unknown", "Rec.601"; else empty.
QLatin1String colourimetryToString(PayloadId::Colourimetry colourimetry);

// 0 "SDR-TV", 1 "HLG", 2 "PQ", 3 "Unspecified"; anything else empty.
QLatin1String transferCurveToString(PayloadId::TransferCurve curve);

// 0 "YCbCr", 1 "ICtCp"; anything else empty.
QLatin1String luminanceAndColourDifferenceSignalToString(
    PayloadId::LuminanceAndColourDifferenceSignal s);

// The link or data stream that channel names: "LinkA"/"LinkB" on one link of
// a dual 1.5G signal or one level B link, "DS1_Link1".."DS8_Link4" on
// multi-link level B, "Link1".."Link8" otherwise; "Link?" or "DS?_Link?"
// out of range.
QLatin1String channelToString(unsigned int links, SdiDataRate rate, unsigned int level,
                              int channel);

// What the one-line text of an identifier or a whole standard is made of.
struct StandardTextParts {
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int scanningKind = 0;
    PayloadId::PictureRate pictureRate = PayloadId::PictureRate::None;
    PayloadId::PictureFormat pictureFormat = PayloadId::PictureFormat::Interlaced;
    PayloadId::SampleStructure sampleStructure = PayloadId::SampleStructure::YCbCr422;
    PayloadId::BitDepth bitDepth = PayloadId::BitDepth::Bit10FullRange;
    unsigned int links = 0;
    SdiDataRate linkRate = SdiDataRate::NoSignal;
    unsigned int level = 0;
    // Sub-image layout ("2-SI", "SqDv", "SQ") and link; empty ones are left out.
    QLatin1String layout;
    QLatin1String channel;
    PayloadId::LuminanceAndColourDifferenceSignal luminance =
        PayloadId::LuminanceAndColourDifferenceSignal::YCbCr;
    PayloadId::TransferCurve transfer = PayloadId::TransferCurve::SdrTv;
    PayloadId::Colourimetry colourimetry = PayloadId::Colourimetry::Rec709;
};

// "1920x1080p50 YCbCr:422:10 3G A Rec.709": size, scanning and rate,
// sampling and depth, "DL "/"QL " and the link rate, the level on 3G links,
// layout and channel when given, the luminance signal and transfer curve
// unless they are 0, and the colourimetry.
QString composeStandardText(const StandardTextParts& parts);

}  // namespace Corvane::Sdi::SdiUtility
