// The ten interface classes against hand-assembled words: field layout,
// reserved bits, geometry, validation rules and the word builders.

#include "SdiTestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace Corvane::Sdi {
namespace {

using namespace PayloadId;
using Rate = SdiDataRate;

using Testing::identifier;

struct Interface {
    unsigned int links;
    Rate rate;
    unsigned int level;
    unsigned int subPictures;
    const char* reserved;  // "byte.bit" left over when all 24 lower bits are set
};

const std::map<int, Interface> interfaces = {
    {0x84, {1, Rate::Rate1G5, 0, 1, "0.1 0.2 0.3 0.5 0.6 0.7 1.6 1.7 2.7"}},
    {0x88, {1, Rate::Rate3G, 0, 1, "0.2 0.3 0.5 0.6 0.7"}},
    {0x85, {1, Rate::Rate1G5, 0, 1, "0.2 0.3 0.5 0.6 0.7"}},
    {0x89, {1, Rate::Rate3G, 0, 1, "0.2 0.3 0.5 0.6 0.7"}},
    {0x8A, {1, Rate::Rate3G, 1, 1, "0.2 0.3 0.5 0.7"}},
    {0x97, {4, Rate::Rate3G, 0, 4, "0.3 0.5"}},
    {0x98, {4, Rate::Rate3G, 1, 4, "0.3"}},
    {0xC0, {1, Rate::Rate6G, 0, 4, "0.3"}},
    {0xC2, {2, Rate::Rate6G, 0, 4, "0.3"}},
    {0xCE, {1, Rate::Rate12G, 0, 4, "0.3"}},
};

std::string joined(const QStringList& list) {
    return list.join('|').toStdString();
}

// The factory has a class for the ten codes and for no other.
TEST(PayloadIdentifierInterfaces, ClassesDescribeTheirLinksAndReservedBits) {
    for (std::uint32_t code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const auto p = PayloadIdentifierFactory::create((code << 24) | 0x00FFFFFF);
        const auto expected = interfaces.find(int(code));
        ASSERT_EQ(p != nullptr, expected != interfaces.end());
        if (p == nullptr) {
            continue;
        }
        const Interface& c = expected->second;
        EXPECT_TRUE(p->hasCorrectpayloadAndDigitalInterface());
        QStringList reserved;
        for (const QString& at : QString(c.reserved).split(' ')) {
            reserved << "Reserved bit not 0, Byte " + at.left(1) + ", Bit " + at.right(1);
        }
        EXPECT_EQ(joined(p->doReservedBitsChecks()), joined(reserved));
        EXPECT_TRUE(p->checkThatPayloadIdentifierFieldsDoNotOverlap());
        EXPECT_EQ(p->getNumPhysicalConnections(), c.links);
        EXPECT_EQ(p->getDataRatePerPhysicalConnection(), c.rate);
        EXPECT_EQ(p->getLevel(), c.level);
        EXPECT_EQ(p->getNumSubPictures(), c.subPictures);
        EXPECT_EQ(p->getSubImagePixelMappingFormat(),
                  c.subPictures == 4 ? SubImagePixelMappingFormat::TwoSampleInterleave
                                     : SubImagePixelMappingFormat::None);
    }
}

std::array<int, 13> fieldsOf(const PayloadIdentifierBase& p) {
    return {static_cast<int>(p.getPayloadAndDigitialInterface()),
            static_cast<int>(p.getSampleStructure()),
            static_cast<int>(p.getPictureRate()),
            static_cast<int>(p.getPictureInterlaced()),
            static_cast<int>(p.getTransportInterlaced()),
            static_cast<int>(p.getBitDepth()),
            static_cast<int>(p.getAspectRatio()),
            static_cast<int>(p.getHorizontalArraySize()),
            static_cast<int>(p.getColourimetry()),
            static_cast<int>(p.getTransferCharacteristics()),
            static_cast<int>(p.getLuminanceAndColourDifferenceSignal()),
            static_cast<int>(p.getChannel()),
            static_cast<int>(p.getAudioCopyStatus())};
}

// Each word gives its fields distinct values, so a field read from the wrong
// bits shows up. Words were assembled bit by bit from the layouts.
TEST(PayloadIdentifierInterfaces, EveryGetterReadsItsOwnBits) {
    // interface, sampling, rate, picture, transport, depth, aspect, width flag,
    // colourimetry, transfer, luminance/colour difference, channel, audio copy
    const std::pair<std::uint32_t, std::array<int, 13>> cases[] = {
        // transport bit 7 of byte 2 does not exist; depth is one bit
        {0x845B2011, {0x84, 0, 11, 1, 0, 1, 0, 0, 2, 1, 1, 0, 0}},
        {0x88DB8201, {0x88, 2, 11, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0}},
        // byte 3 = 0x33: aspect ratio in bit 5, colourimetry bit 4 (not bits 4,5)
        {0x85473301, {0x85, 3, 7, 1, 0, 1, 1, 0, 1, 0, 0, 0, 0}},
        {0x89AA5912, {0x89, 9, 10, 0, 1, 2, 0, 1, 1, 2, 1, 0, 0}},
        // byte 3 = 0xC0: colourimetry 2 from bit 7, width flag bit 6, no aspect
        {0x8A4BC041, {0x8A, 0, 11, 1, 0, 1, 0, 1, 2, 0, 0, 1, 0}},
        {0x97C9A185, {0x97, 1, 9, 1, 1, 1, 1, 0, 2, 0, 0, 2, 1}},
        // channel 5 = byte 4 bits 5 and 7
        {0x984AF0A1, {0x98, 0, 10, 1, 0, 1, 1, 1, 3, 0, 0, 5, 0}},
        {0xC0935277, {0xC0, 2, 3, 0, 1, 3, 0, 1, 1, 1, 1, 3, 1}},
        {0xC2E6A021, {0xC2, 0, 6, 1, 1, 1, 1, 0, 2, 2, 0, 1, 0}},
        {0xCEC5C0E2, {0xCE, 0, 5, 1, 1, 2, 1, 1, 0, 0, 0, 7, 0}},
    };
    for (const auto& [word, expected] : cases) {
        SCOPED_TRACE(word);
        const auto p = identifier(word);
        EXPECT_EQ(fieldsOf(*p), expected);
        EXPECT_TRUE(p->doReservedBitsChecks().isEmpty());
        EXPECT_TRUE(p->hasCorrectpayloadAndDigitalInterface());
    }
}

TEST(PayloadIdentifierInterfaces, GeometryFollowsInterfaceAndFields) {
    // 750 lines; 1125 lines in one field; 1125 lines in two fields
    enum Lines { L750, P1125, I1125 };
    constexpr unsigned int psf = ScanningKind::ProgressiveSegmentedFrame;
    constexpr unsigned int i = ScanningKind::Interlaced;
    constexpr unsigned int p = ScanningKind::Progressive;
    struct Case {
        std::uint32_t word;
        unsigned int kind;
        Lines lines;
        unsigned int activeWidth, activeHeight, width, height;
    };
    const Case cases[] = {
        {0x845B2011, p, L750, 1280, 720, 1280, 720},
        {0x88DB8201, p, L750, 2560, 720, 1280, 720},  // 4:4:4 doubles the samples
        {0x88DB8001, p, L750, 1280, 720, 1280, 720},
        {0x85473301, psf, I1125, 1920, 540, 1920, 1080},
        {0x85C74001, p, P1125, 2048, 1080, 2048, 1080},
        {0x89C98001, p, P1125, 1920, 1080, 1920, 1080},
        {0x89AA5912, i, I1125, 4096, 540, 2048, 1080},  // 4:4:4:4 12-bit
        {0x89C98101, p, P1125, 3840, 1080, 1920, 1080},
        // progressive 4:2:2 10-bit on two interlace-structured streams
        {0x8A4BC041, p, I1125, 2048, 540, 2048, 1080},
        {0x8AC72101, p, P1125, 1920, 1080, 1920, 1080},
        {0x8A472101, psf, I1125, 1920, 540, 1920, 1080},
        {0x97C9A185, p, P1125, 3840, 1080, 3840, 2160},
        // active height follows the picture bit alone on the 2160-line level A classes
        {0x97490001, psf, I1125, 1920, 1080, 3840, 2160},
        {0x984AF0A1, p, I1125, 2048, 540, 4096, 2160},
        {0xC0935277, i, I1125, 4096, 540, 4096, 2160},
        {0xC0450001, psf, I1125, 1920, 1080, 3840, 2160},
        {0xC2E6A021, p, P1125, 1920, 1080, 3840, 2160},
        {0xCEC5C0E2, p, P1125, 4096, 1080, 4096, 2160},
    };
    const std::map<Lines, std::pair<std::vector<unsigned int>, std::vector<unsigned int>>>
        heightsAndFirstLines = {
            {L750, {{750}, {26}}}, {P1125, {{1125}, {42}}}, {I1125, {{563, 562}, {21, 584}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        const auto id = identifier(c.word);
        EXPECT_EQ(id->getPicutreInterlacedProgressivePsf(), c.kind);
        EXPECT_EQ(id->getFieldHeights(), heightsAndFirstLines.at(c.lines).first);
        EXPECT_EQ(id->getFieldFirstLineNumbersOfActivePicture(),
                  heightsAndFirstLines.at(c.lines).second);
        EXPECT_EQ(id->getFieldActivePictureWidthInSamples(), c.activeWidth);
        EXPECT_EQ(id->getFieldActivePictureHeight(), c.activeHeight);
        EXPECT_EQ(id->getReconstructedImageWidthInPixels(), c.width);
        EXPECT_EQ(id->getReconstructedImageHeightInPixels(), c.height);
    }
    // A word of another interface still gets the class's geometry.
    const PayloadIdentifier1080_3g wrong(0x85C98001);
    EXPECT_FALSE(wrong.hasCorrectpayloadAndDigitalInterface());
    EXPECT_EQ(wrong.getFieldActivePictureWidthInSamples(), 1920u);
}

TEST(PayloadIdentifierInterfaces, ValidationReportsEveryFailedRuleInOrder) {
    struct Case {
        int code;
        std::uint32_t word;
        const char* expected;  // messages joined by '|'
    };
    const Case cases[] = {
        // 1080 3G level A
        {0x89, 0x89C98001, ""},
        {0x89, 0x85C98001, "Incorrect payload identifier: 133"},
        {0x89, 0x89CC8001, "Invalid picture rate: 12"},
        {0x89, 0x00C08B01,
         "Incorrect payload identifier: 0|Invalid picture rate: 0|Invalid sampling structure: 11"},
        // 720 3G
        {0x88, 0x88DB8201, ""},
        {0x88, 0x88D18F01, "Invalid picture rate: 1|Invalid sampling structure: 15"},
        // 720 1.5G
        {0x84, 0x845B2011, ""},
        {0x84, 0x840B0001, "Invalid picture interlaced/progressive: 0"},
        {0x84, 0x84480001, "Invalid picture rate: 8"},
        {0x84, 0x844B0101, "Invalid sampling structure: 1"},
        // 1080 1.5G: psf 4:2:0, 1080i50, then p50, i24, 2048 p48, 2048i, 4:4:4, 12-bit
        {0x85, 0x85473301, ""},
        {0x85, 0x85052001, ""},
        {0x85, 0x85490001, "Invalid picture rate: 9"},
        {0x85, 0x85030001, "Invalid picture rate: 3"},
        {0x85, 0x85484001, "Invalid picture rate: 8"},
        {0x85, 0x85054001, "Invalid picture interlaced/progressive: 0"},
        {0x85, 0x85470101, "Invalid sampling structure: 1"},
        {0x85, 0x85470002, "Invalid bit depth: 2"},
        // 1080 level B, 4:2:2
        {0x8A, 0x8A4B0001, ""},
        {0x8A, 0x8A4B0041, ""},
        {0x8A, 0x8A484001, ""},
        {0x8A, 0x8A450001, "Invalid picture rate for 1920 pixel 422: 5"},
        {0x8A, 0x8A410001, "Invalid picture rate: 1|Invalid picture rate for 1920 pixel 422: 1"},
        {0x8A, 0x8A4B0000, "Invalid bit depth: 0|Invalid bit depth for 422: 0"},
        {0x8A, 0x8A4B0002, "Invalid bit depth for 422: 2"},
        {0x8A, 0x8ACB0001, "Invalid transport interlace format for 422: 1"},
        {0x8A, 0x8A0B0001, "Invalid picture interlace format for 422: 0"},
        {0x8A, 0x8A474001, "Invalid picture rate for 2048 pixel 422: 7"},
        // 1080 level B, extended colour modes
        {0x8A, 0x8A420101, ""},
        {0x8A, 0x8A070101, ""},
        {0x8A, 0x8A054101, "Invalid picture interlace format for 2048 Extended colour modes: 0"},
        {0x8A, 0x8A090101,
         "Invalid picture rate for Interlaced 1920 pixel Extended colour modes: 9"},
        {0x8A, 0x8AC94101,
         "Invalid picture rate for Progressive 1920 pixel Extended colour modes: 9"},
        {0x8A, 0x8A4B0C01,
         "Invalid sampling structure: 12|"
         "Invalid picture rate for Progressive 1920 pixel Extended colour modes: 11"},
        // four 3G links, level A
        {0x97, 0x97C98001, ""},
        {0x97, 0x97C84001, ""},
        {0x97, 0x97C58101, ""},
        {0x97, 0x97E98001, ""},
        {0x97, 0x97C98101, "Incorrect FrameRate for extended colour mode: 9"},
        {0x97, 0x97C58001, "Incorrect FrameRate for 422/420-10: 5"},
        {0x97, 0x97C88001, "Incorrect FrameRate for 3840x2160: 8"},
        {0x97, 0x97C88101,
         "Incorrect FrameRate for 3840x2160: 8|Incorrect FrameRate for extended colour mode: 8"},
        {0x97, 0x97CC8001, "Incorrect PictureRate: 12"},
        {0x97, 0x97498001, "Incorrect TransportFormat: 0"},
        {0x97, 0x97898001, "Incorrect PictureFormat: 0"},
        {0x97, 0x97F98001, "Incorrect TransferCurve: 3"},
        {0x97, 0x97C98045, "Incorrect AudioCopyStatus for channel 1 or 2: 1"},
        {0x97, 0x97C980C5, ""},
        // the other 2160-line classes only check their code
        {0x98, 0x98000F00, ""},
        {0x98, 0x97C98001, "Incorrect payload identifier: 151"},
        {0xC0, 0xC0000F00, ""},
        {0xC0, 0xC2C98001, "Incorrect payload identifier: 194"},
        {0xC2, 0xC2000F00, ""},
        {0xC2, 0xCEC98001, "Incorrect payload identifier: 206"},
        {0xCE, 0xCE000F00, ""},
        {0xCE, 0xC0C98001, "Incorrect payload identifier: 192"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(joined(identifier(c.word, c.code)->doSmpteValidationChecks()), c.expected);
    }
}

TEST(PayloadIdentifierInterfaces, BuildersWriteEachFieldIntoItsBits) {
    using namespace Testing;
    const auto yc = L::YCbCr;
    struct Case {
        std::uint32_t built;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
             TF::Interlaced, PF::Progressive, R::Rate60, C::Rec2020, W::Pixels2048, A::Ratio4x3,
             S::YCbCr422, Channel::Channel2, D::Bit10, T::SdrTv, yc),
         0x8A4BC041},
        // one channel bit only: stream 3 is left out
        {PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
             TF::Interlaced, PF::Progressive, R::Rate60, C::Rec2020, W::Pixels2048, A::Ratio4x3,
             S::YCbCr422, Channel::Channel3, D::Bit10, T::SdrTv, yc),
         0x8A4BC001},
        {PayloadIdentifier2160_QuadLink3g::getPayloadIdentifierWord(
             TF::Progressive, PF::Progressive, R::Rate50, S::YCbCr444, C::Rec2020, A::Ratio16x9,
             W::Pixels1920, D::Bit10, Copy::Set, T::SdrTv, yc, Channel::Channel3),
         0x97C9A185},
        {PayloadIdentifier2160_QuadLinkLevelb3g::getPayloadIdentifierWord(
             TF::Interlaced, PF::Progressive, R::Rate60_1001, C::Unknown, S::YCbCr422, A::Ratio16x9,
             W::Pixels2048, D::Bit10, Copy::NotSet, Channel::Channel6, T::SdrTv, yc),
         0x984AF0A1},
        {PayloadIdentifier2160_6g::getPayloadIdentifierWord(
             TF::Progressive, PF::Interlaced, R::Rate24, S::Rgb444, C::ColVancPacket, A::Ratio4x3,
             W::Pixels2048, D::Bit12FullRange, Copy::Set, Channel::Channel4, T::Hlg, L::ICtCp),
         0xC0935277},
        {PayloadIdentifier2160_DualLink6g::getPayloadIdentifierWord(
             TF::Progressive, PF::Progressive, R::Rate30_1001, S::YCbCr422, C::Rec2020,
             A::Ratio16x9, W::Pixels1920, D::Bit10, Copy::NotSet, Channel::Channel2, T::Pq, yc),
         0xC2E6A021},
        {PayloadIdentifier2160_12g::getPayloadIdentifierWord(
             TF::Progressive, PF::Progressive, R::Rate25, S::YCbCr422, C::Rec709, A::Ratio16x9,
             W::Pixels2048, D::Bit12, Copy::NotSet, Channel::Channel8, T::SdrTv, yc),
         0xCEC5C0E2},
        // classes without a builder: their map decides what can be written;
        // 720 on 1.5G has no transport bit to set
        {PayloadIdentifierBase::composePayloadIdentifierWord(
             PayloadIdentifier720_1g5::createFieldMap(), 0x84,
             {{PayloadIdentifierBase::FieldType::TransportInterlaced, 1},
              {PayloadIdentifierBase::FieldType::PictureInterlaced, 1},
              {PayloadIdentifierBase::FieldType::PictureRate, 11},
              {PayloadIdentifierBase::FieldType::BitDepth, 2},
              {PayloadIdentifierBase::FieldType::Colourimetry, 2}}),
         0x844B2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.built, c.expected);
    }
}

}  // namespace
}  // namespace Corvane::Sdi
