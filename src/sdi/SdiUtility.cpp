#include "sdi/SdiUtility.h"

#include <array>

namespace Corvane::Sdi::SdiUtility {

namespace {

using namespace std::string_view_literals;

// The text at index value of table, or fallback when value lies outside it.
template <std::size_t N>
std::string_view lookUp(const std::array<std::string_view, N>& table, int value,
                        std::string_view fallback) {
    if (value < 0 || static_cast<std::size_t>(value) >= N) {
        return fallback;
    }
    return table[static_cast<std::size_t>(value)];
}

QString toQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

}  // namespace

std::string_view pictureRateText(PayloadId::PictureRate rate, PayloadId::PictureFormat format) {
    static constexpr std::array progressive = {
        "NoRate"sv, "RsvRate"sv, "23.98"sv, "24"sv, "47.95"sv, "25"sv,  "29.97"sv,  "30"sv,
        "48"sv,     "50"sv,      "59.94"sv, "60"sv, "96"sv,    "100"sv, "119.88"sv, "120"sv};
    // An interlaced picture is named by its field rate, twice the frame rate.
    static constexpr std::array interlaced = {
        "NoRate"sv, "RsvRate"sv, "47.95"sv,  "48"sv,  "95.90"sv, "50"sv,  "59.94"sv,  "60"sv,
        "96"sv,     "100"sv,     "119.88"sv, "120"sv, "192"sv,   "200"sv, "239.76"sv, "240"sv};
    const int value = static_cast<int>(rate);
    return format == PayloadId::PictureFormat::Progressive ? lookUp(progressive, value, ""sv)
                                                           : lookUp(interlaced, value, ""sv);
}

std::string_view sampleStructureText(PayloadId::SampleStructure sampling) {
    static constexpr std::array texts = {
        "YCbCr:422"sv,   "YCbCr:444"sv,   "RGB:444"sv,    "YCbCr:420"sv,
        "YCbCrA:4224"sv, "YCbCrA:4444"sv, "RGBA:4444"sv,  "RESERVED"sv,
        "YCbCrD:4224"sv, "YCbCrD:4444"sv, "RGBD:4444"sv,  "RESERVED"sv,
        "RESERVED"sv,    "RESERVED"sv,    "X'Y'Z':444"sv, "RESERVED"sv};
    return lookUp(texts, static_cast<int>(sampling), ""sv);
}

std::string_view bitDepthText(PayloadId::BitDepth depth) {
    static constexpr std::array texts = {"10FR"sv, "10"sv, "12"sv, "12FR"sv};
    return lookUp(texts, static_cast<int>(depth), ""sv);
}

std::string_view sdiDataRateText(SdiDataRate rate) {
    static constexpr std::array texts = {"12G"sv,  "6G"sv,        "3G"sv,     "1.5G"sv,
                                         "270M"sv, "No Signal"sv, "Unknown"sv};
    return lookUp(texts, static_cast<int>(rate), "Error"sv);
}

std::string_view levelText(unsigned int level) {
    static constexpr std::array texts = {"A"sv, "B"sv};
    return level < texts.size() ? texts[level] : "Error"sv;
}

std::string_view scanningKindText(unsigned int scanningKind) {
    switch (scanningKind) {
        case ScanningKind::ProgressiveSegmentedFrame:
            return "psf"sv;
        case ScanningKind::Interlaced:
            return "i"sv;
        case ScanningKind::Progressive:
            return "p"sv;
        default:
            return "Error"sv;
    }
}

std::string_view subImagePixelMappingFormatText(SubImagePixelMappingFormat format) {
    switch (format) {
        case SubImagePixelMappingFormat::TwoSampleInterleave:
            return "2-SI"sv;
        case SubImagePixelMappingFormat::SquareDivision:
            return "SqDv"sv;
        default:
            return "Error"sv;
    }
}

std::string_view colourimetryText(PayloadId::Colourimetry colourimetry) {
    if (colourimetry == PayloadId::Colourimetry::Rec601) {
        return "Rec.601"sv;
    }
    static constexpr std::array texts = {"Rec.709"sv, "ColVancPacket"sv, "Rec.2020"sv, "Unknown"sv};
    return lookUp(texts, static_cast<int>(colourimetry), ""sv);
}

std::string_view transferCurveText(PayloadId::TransferCurve curve) {
    static constexpr std::array texts = {"SDR-TV"sv, "HLG"sv, "PQ"sv, "Unspecified"sv};
    return lookUp(texts, static_cast<int>(curve), ""sv);
}

std::string_view luminanceAndColourDifferenceSignalText(
    PayloadId::LuminanceAndColourDifferenceSignal s) {
    static constexpr std::array texts = {"YCbCr"sv, "ICtCp"sv};
    return lookUp(texts, static_cast<int>(s), ""sv);
}

QString convertPictureRateToString(PayloadId::PictureRate rate, PayloadId::PictureFormat format) {
    return toQString(pictureRateText(rate, format));
}
QString sampleStructureToString(PayloadId::SampleStructure sampling) {
    return toQString(sampleStructureText(sampling));
}
QString bitDepthToString(PayloadId::BitDepth depth) {
    return toQString(bitDepthText(depth));
}
QString sdiDataRateToString(SdiDataRate rate) {
    return toQString(sdiDataRateText(rate));
}
QString levelToString(unsigned int level) {
    return toQString(levelText(level));
}
QString scanningKindToString(unsigned int scanningKind) {
    return toQString(scanningKindText(scanningKind));
}
QString subImagePixelMappingFormatToString(SubImagePixelMappingFormat format) {
    return toQString(subImagePixelMappingFormatText(format));
}
QString colourimetryToString(PayloadId::Colourimetry colourimetry) {
    return toQString(colourimetryText(colourimetry));
}
QString transferCurveToString(PayloadId::TransferCurve curve) {
    return toQString(transferCurveText(curve));
}
QString luminanceAndColourDifferenceSignalToString(
    PayloadId::LuminanceAndColourDifferenceSignal s) {
    return toQString(luminanceAndColourDifferenceSignalText(s));
}

}  // namespace Corvane::Sdi::SdiUtility
