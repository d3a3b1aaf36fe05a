#include "sdi/SdiUtility.h"

#include <array>
#include <iterator>
#include <string_view>

#include <fmt/format.h>

namespace Corvane::Sdi::SdiUtility {

namespace {

using namespace std::string_view_literals;

// The tables keep their texts as views so that their lengths are known at
// compile time.
QLatin1String latin1(std::string_view text) {
    return QLatin1String(text.data(), static_cast<int>(text.size()));
}

// The text at index value of table, or fallback when value lies outside it.
template <std::size_t N>
QLatin1String lookUp(const std::array<std::string_view, N>& table, long long value,
                     std::string_view fallback) {
    if (value < 0 || static_cast<unsigned long long>(value) >= N) {
        return latin1(fallback);
    }
    return latin1(table[static_cast<std::size_t>(value)]);
}

// The line is assembled in a stack buffer and turned into a QString once.
using LineBuffer = fmt::basic_memory_buffer<char, 128>;

void append(LineBuffer& out, QLatin1String text) {
    out.append(text.data(), text.data() + text.size());
}

}  // namespace

QLatin1String convertPictureRateToString(PayloadId::PictureRate rate,
                                         PayloadId::PictureFormat format) {
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

QLatin1String sampleStructureToString(PayloadId::SampleStructure sampling) {
    static constexpr std::array texts = {
        "YCbCr:422"sv,   "YCbCr:444"sv,   "RGB:444"sv,    "YCbCr:420"sv,
        "YCbCrA:4224"sv, "YCbCrA:4444"sv, "RGBA:4444"sv,  "RESERVED"sv,
        "YCbCrD:4224"sv, "YCbCrD:4444"sv, "RGBD:4444"sv,  "RESERVED"sv,
        "RESERVED"sv,    "RESERVED"sv,    "X'Y'Z':444"sv, "RESERVED"sv};
    return lookUp(texts, static_cast<int>(sampling), ""sv);
}

QLatin1String bitDepthToString(PayloadId::BitDepth depth) {
    static constexpr std::array texts = {"10FR"sv, "10"sv, "12"sv, "12FR"sv};
    return lookUp(texts, static_cast<int>(depth), ""sv);
}

QLatin1String sdiDataRateToString(SdiDataRate rate) {
    static constexpr std::array texts = {"12G"sv,  "6G"sv,        "3G"sv,     "1.5G"sv,
                                         "270M"sv, "No Signal"sv, "Unknown"sv};
    return lookUp(texts, static_cast<int>(rate), "Error"sv);
}

QLatin1String levelToString(unsigned int level) {
    static constexpr std::array texts = {"A"sv, "B"sv};
    return lookUp(texts, level, "Error"sv);
}

QLatin1String scanningKindToString(unsigned int scanningKind) {
    static_assert(ScanningKind::ProgressiveSegmentedFrame == 1 && ScanningKind::Interlaced == 2 &&
                  ScanningKind::Progressive == 3);
    static constexpr std::array texts = {"Error"sv, "psf"sv, "i"sv, "p"sv};
    return lookUp(texts, scanningKind, "Error"sv);
}

QLatin1String subImagePixelMappingFormatToString(SubImagePixelMappingFormat format) {
    static constexpr std::array texts = {"Error"sv, "2-SI"sv, "SqDv"sv};
    return lookUp(texts, static_cast<int>(format), "Error"sv);
}

QLatin1String colourimetryToString(PayloadId::Colourimetry colourimetry) {
    if (colourimetry == PayloadId::Colourimetry::Rec601) {
        return QLatin1String("Rec.601");
    }
    static constexpr std::array texts = {"Rec.709"sv, "ColVancPacket"sv, "Rec.2020"sv, "Unknown"sv};
    return lookUp(texts, static_cast<int>(colourimetry), ""sv);
}

QLatin1String transferCurveToString(PayloadId::TransferCurve curve) {
    static constexpr std::array texts = {"SDR-TV"sv, "HLG"sv, "PQ"sv, "Unspecified"sv};
    return lookUp(texts, static_cast<int>(curve), ""sv);
}

QLatin1String luminanceAndColourDifferenceSignalToString(
    PayloadId::LuminanceAndColourDifferenceSignal s) {
    static constexpr std::array texts = {"YCbCr"sv, "ICtCp"sv};
    return lookUp(texts, static_cast<int>(s), ""sv);
}

QLatin1String channelToString(unsigned int links, SdiDataRate rate, unsigned int level,
                              int channel) {
    // One link of a dual 1.5G signal, or one of the two streams of a single
    // level B link.
    if ((links == 2 && rate == SdiDataRate::Rate1G5) || (links == 1 && level == SdiLevel::B)) {
        static constexpr std::array texts = {"LinkA"sv, "LinkB"sv};
        return lookUp(texts, channel, "Link?"sv);
    }
    // Multi-link level B: two data streams per link.
    if (level == SdiLevel::B) {
        static constexpr std::array texts = {"DS1_Link1"sv, "DS2_Link1"sv, "DS3_Link2"sv,
                                             "DS4_Link2"sv, "DS5_Link3"sv, "DS6_Link3"sv,
                                             "DS7_Link4"sv, "DS8_Link4"sv};
        return lookUp(texts, channel, "DS?_Link?"sv);
    }
    static constexpr std::array texts = {"Link1"sv, "Link2"sv, "Link3"sv, "Link4"sv,
                                         "Link5"sv, "Link6"sv, "Link7"sv, "Link8"sv};
    return lookUp(texts, channel, "Link?"sv);
}

QString composeStandardText(const StandardTextParts& parts) {
    LineBuffer out;
    fmt::format_to(std::back_inserter(out), "{}x{}", parts.width, parts.height);
    append(out, scanningKindToString(parts.scanningKind));
    append(out, convertPictureRateToString(parts.pictureRate, parts.pictureFormat));
    out.push_back(' ');
    append(out, sampleStructureToString(parts.sampleStructure));
    out.push_back(':');
    append(out, bitDepthToString(parts.bitDepth));
    out.push_back(' ');
    if (parts.links == 2) {
        append(out, QLatin1String("DL "));
    } else if (parts.links == 4) {
        append(out, QLatin1String("QL "));
    }
    append(out, sdiDataRateToString(parts.linkRate));
    if (parts.linkRate == SdiDataRate::Rate3G) {
        out.push_back(' ');
        append(out, levelToString(parts.level));
    }
    for (const QLatin1String piece : {parts.layout, parts.channel}) {
        if (!piece.isEmpty()) {
            out.push_back(' ');
            append(out, piece);
        }
    }
    // A value without a text (possible only in a field wider than the usual
    // one bit) still leaves its separator.
    if (static_cast<int>(parts.luminance) != 0) {
        out.push_back(' ');
        append(out, luminanceAndColourDifferenceSignalToString(parts.luminance));
    }
    if (static_cast<int>(parts.transfer) != 0) {
        out.push_back(' ');
        append(out, transferCurveToString(parts.transfer));
    }
    out.push_back(' ');
    append(out, colourimetryToString(parts.colourimetry));
    return QString::fromLatin1(out.data(), static_cast<int>(out.size()));
}

}  // namespace Corvane::Sdi::SdiUtility
