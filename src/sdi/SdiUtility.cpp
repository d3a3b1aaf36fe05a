#include "sdi/SdiUtility.h"

#include <array>

namespace Corvane::Sdi::SdiUtility {

namespace {

// The text at index value of table, or fallback when value lies outside it.
template <std::size_t N>
QString lookUp(const std::array<const char*, N>& table, int value, const char* fallback) {
    if (value < 0 || static_cast<std::size_t>(value) >= N) {
        return QString::fromUtf8(fallback);
    }
    return QString::fromUtf8(table[static_cast<std::size_t>(value)]);
}

}  // namespace

QString convertPictureRateToString(PayloadId::PictureRate rate, PayloadId::PictureFormat format) {
    static constexpr std::array<const char*, 16> progressive = {
        "NoRate", "RsvRate", "23.98", "24", "47.95", "25",  "29.97",  "30",
        "48",     "50",      "59.94", "60", "96",    "100", "119.88", "120"};
    // An interlaced picture is named by its field rate, twice the frame rate.
    static constexpr std::array<const char*, 16> interlaced = {
        "NoRate", "RsvRate", "47.95",  "48",  "95.90", "50",  "59.94",  "60",
        "96",     "100",     "119.88", "120", "192",   "200", "239.76", "240"};
    const int value = static_cast<int>(rate);
    return format == PayloadId::PictureFormat::Progressive ? lookUp(progressive, value, "")
                                                           : lookUp(interlaced, value, "");
}

QString sampleStructureToString(PayloadId::SampleStructure sampling) {
    static constexpr std::array<const char*, 16> texts = {
        "YCbCr:422", "YCbCr:444", "RGB:444",     "YCbCr:420",   "YCbCrA:4224", "YCbCrA:4444",
        "RGBA:4444", "RESERVED",  "YCbCrD:4224", "YCbCrD:4444", "RGBD:4444",   "RESERVED",
        "RESERVED",  "RESERVED",  "X'Y'Z':444",  "RESERVED"};
    return lookUp(texts, static_cast<int>(sampling), "");
}

QString bitDepthToString(PayloadId::BitDepth depth) {
    static constexpr std::array<const char*, 4> texts = {"10FR", "10", "12", "12FR"};
    return lookUp(texts, static_cast<int>(depth), "");
}

QString sdiDataRateToString(SdiDataRate rate) {
    static constexpr std::array<const char*, 7> texts = {"12G",  "6G",        "3G",     "1.5G",
                                                         "270M", "No Signal", "Unknown"};
    return lookUp(texts, static_cast<int>(rate), "Error");
}

QString levelToString(unsigned int level) {
    static constexpr std::array<const char*, 2> texts = {"A", "B"};
    return level < texts.size() ? QString::fromUtf8(texts[level]) : QStringLiteral("Error");
}

QString scanningKindToString(unsigned int scanningKind) {
    switch (scanningKind) {
        case ScanningKind::ProgressiveSegmentedFrame:
            return QStringLiteral("psf");
        case ScanningKind::Interlaced:
            return QStringLiteral("i");
        case ScanningKind::Progressive:
            return QStringLiteral("p");
        default:
            return QStringLiteral("Error");
    }
}

QString subImagePixelMappingFormatToString(SubImagePixelMappingFormat format) {
    switch (format) {
        case SubImagePixelMappingFormat::TwoSampleInterleave:
            return QStringLiteral("2-SI");
        case SubImagePixelMappingFormat::SquareDivision:
            return QStringLiteral("SqDv");
        default:
            return QStringLiteral("Error");
    }
}

QString colourimetryToString(PayloadId::Colourimetry colourimetry) {
    if (colourimetry == PayloadId::Colourimetry::Rec601) {
        return QStringLiteral("Rec.601");
    }
    static constexpr std::array<const char*, 4> texts = {"Rec.709", "ColVancPacket", "Rec.2020",
                                                         "Unknown"};
    return lookUp(texts, static_cast<int>(colourimetry), "");
}

QString transferCurveToString(PayloadId::TransferCurve curve) {
    static constexpr std::array<const char*, 4> texts = {"SDR-TV", "HLG", "PQ", "Unspecified"};
    return lookUp(texts, static_cast<int>(curve), "");
}

QString luminanceAndColourDifferenceSignalToString(
    PayloadId::LuminanceAndColourDifferenceSignal s) {
    static constexpr std::array<const char*, 2> texts = {"YCbCr", "ICtCp"};
    return lookUp(texts, static_cast<int>(s), "");
}

}  // namespace Corvane::Sdi::SdiUtility
