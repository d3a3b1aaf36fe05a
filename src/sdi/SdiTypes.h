#pragma once

// Value vocabulary of SMPTE ST 352 payload identifiers. The numeric values are
// the field values exactly as they sit in the identifier bytes, so a value read
// from a word can be cast to its enum and back without translation; values
// without an enumerator (reserved codes) still travel through these types.

namespace Corvane::Sdi {

namespace PayloadId {

// Byte 1: payload and digital interface code of each interface family.
enum class PayloadAndDigitalInterface : int {
    None = 0,
    Payload720_1g5 = 0x84,
    Payload1080_1g5 = 0x85,
    Payload720_3g = 0x88,
    Payload1080_3g = 0x89,
    Payload1080_Levelb3g = 0x8A,
    Payload2160_QuadLink3g = 0x97,
    Payload2160_QuadLinkLevelb3g = 0x98,
    Payload2160_6g = 0xC0,
    Payload2160_DualLink6g = 0xC2,
    Payload2160_12g = 0xCE,
};

// Frame rate code (4 bits).
enum class PictureRate : int {
    None = 0,
    Reserved = 1,
    Rate24_1001 = 2,
    Rate24 = 3,
    Rate48_1001 = 4,
    Rate25 = 5,
    Rate30_1001 = 6,
    Rate30 = 7,
    Rate48 = 8,
    Rate50 = 9,
    Rate60_1001 = 10,
    Rate60 = 11,
    Rate96 = 12,
    Rate100 = 13,
    Rate120_1001 = 14,
    Rate120 = 15,
};

// Picture scanning bit.
enum class PictureFormat : int { Interlaced = 0, Progressive = 1 };

// Transport scanning bit.
enum class TransportFormat : int { Interlaced = 0, Progressive = 1 };

// Sampling structure (4 bits); 7, 11 to 13 and 15 are reserved.
enum class SampleStructure : int {
    YCbCr422 = 0,
    YCbCr444 = 1,
    Rgb444 = 2,
    YCbCr420 = 3,
    YCbCrA4224 = 4,
    YCbCrA4444 = 5,
    RgbA4444 = 6,
    YCbCrD4224 = 8,
    YCbCrD4444 = 9,
    RgbD4444 = 10,
    XyzPrime444 = 14,
};

enum class BitDepth : int {
    Bit10FullRange = 0,
    Bit10 = 1,
    Bit12 = 2,
    Bit12FullRange = 3,
};

// Rec601 lies outside the 2-bit field: it is never read from an identifier
// and only names 525/625-line material.
enum class Colourimetry : int {
    Rec709 = 0,
    ColVancPacket = 1,
    Rec2020 = 2,
    Unknown = 3,
    Rec601 = 999,
};

// Transfer characteristics (2 bits).
enum class TransferCurve : int { SdrTv = 0, Hlg = 1, Pq = 2, Unspecified = 3 };

enum class LuminanceAndColourDifferenceSignal : int { YCbCr = 0, ICtCp = 1 };

// Pixels per sub-image line: 1920 / 2048 (3840 / 4096 in a 2160-line picture).
enum class HorizontalPixelArraySize : int { Pixels1920 = 0, Pixels2048 = 1 };

// The aspect-ratio flag as carried in the identifier.
enum class AspectRatio : int { Ratio4x3 = 0, Ratio16x9 = 1 };

// The audio copy status flag as carried in the identifier.
enum class AudioCopyStatus : int { NotSet = 0, Set = 1 };

// Link or data stream number, counting from 0.
enum class Channel : int {
    Channel1 = 0,
    Channel2 = 1,
    Channel3 = 2,
    Channel4 = 3,
    Channel5 = 4,
    Channel6 = 5,
    Channel7 = 6,
    Channel8 = 7,
};

}  // namespace PayloadId

enum class SdiDataRate : int {
    Rate12G = 0,
    Rate6G = 1,
    Rate3G = 2,
    Rate1G5 = 3,
    Rate270M = 4,
    NoSignal = 5,
    Unknown = 6,
};

enum class SubImagePixelMappingFormat : int {
    None = 0,
    TwoSampleInterleave = 1,
    SquareDivision = 2,
};

// Values of PayloadIdentifierBase::getLevel().
namespace SdiLevel {
inline constexpr unsigned int A = 0;
inline constexpr unsigned int B = 1;
}  // namespace SdiLevel

// Values of PayloadIdentifierBase::getPicutreInterlacedProgressivePsf().
namespace ScanningKind {
inline constexpr unsigned int ProgressiveSegmentedFrame = 1;
inline constexpr unsigned int Interlaced = 2;
inline constexpr unsigned int Progressive = 3;
}  // namespace ScanningKind

}  // namespace Corvane::Sdi
