#pragma once

#include "sdi/SdiTypes.h"

#include <QString>

#include <string_view>

// The display texts of the payload identifier vocabulary, shared by the
// identifier's one-line description and the texts of whole standards. Each
// text comes as a QString and, for code that assembles a line from many
// pieces without a temporary string per piece, as a view of static ASCII
// text (the *Text functions).
namespace Corvane::Sdi::SdiUtility {

// Frame rate for a progressive picture (format 1), field rate otherwise:
// rate 10 gives "59.94" progressive and "119.88" interlaced. Codes outside
// 0..15 give the empty text.
QString convertPictureRateToString(PayloadId::PictureRate rate, PayloadId::PictureFormat format);
std::string_view pictureRateText(PayloadId::PictureRate rate, PayloadId::PictureFormat format);

// "YCbCr:422", "RGB:444", ... ; reserved codes give "RESERVED", values
// outside 0..15 the empty text.
QString sampleStructureToString(PayloadId::SampleStructure sampling);
std::string_view sampleStructureText(PayloadId::SampleStructure sampling);

// "10FR", "10", "12", "12FR"; anything else the empty text.
QString bitDepthToString(PayloadId::BitDepth depth);
std::string_view bitDepthText(PayloadId::BitDepth depth);

// "12G", "6G", "3G", "1.5G", "270M", "No Signal", "Unknown"; else "Error".
QString sdiDataRateToString(SdiDataRate rate);
std::string_view sdiDataRateText(SdiDataRate rate);

// "A", "B"; anything else "Error".
QString levelToString(unsigned int level);
std::string_view levelText(unsigned int level);

// 1 "psf", 2 "i", 3 "p"; anything else "Error".
QString scanningKindToString(unsigned int scanningKind);
std::string_view scanningKindText(unsigned int scanningKind);

// 1 "2-SI", 2 "SqDv"; anything else (0 included) "Error".
QString subImagePixelMappingFormatToString(SubImagePixelMappingFormat format);
std::string_view subImagePixelMappingFormatText(SubImagePixelMappingFormat format);

// "Rec.709", "ColVancPacket", "Rec.2020", "Unknown", "Rec.601"; else empty.
QString colourimetryToString(PayloadId::Colourimetry colourimetry);
std::string_view colourimetryText(PayloadId::Colourimetry colourimetry);

// 0 "SDR-TV", 1 "HLG", 2 "PQ", 3 "Unspecified"; anything else empty.
QString transferCurveToString(PayloadId::TransferCurve curve);
std::string_view transferCurveText(PayloadId::TransferCurve curve);

// 0 "YCbCr", 1 "ICtCp"; anything else empty.
QString luminanceAndColourDifferenceSignalToString(PayloadId::LuminanceAndColourDifferenceSignal s);
std::string_view luminanceAndColourDifferenceSignalText(
    PayloadId::LuminanceAndColourDifferenceSignal s);

}  // namespace Corvane::Sdi::SdiUtility
