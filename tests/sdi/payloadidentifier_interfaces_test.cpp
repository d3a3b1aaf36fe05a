// The ten interface classes against hand-assembled words: field layout,
// reserved bits, geometry, validation rules and the word builders.

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

#include <gtest/gtest.h>

#include <QStringList>

#include <array>
#include <string>
#include <vector>

namespace Corvane::Sdi {
namespace {

using namespace PayloadId;
using Factory = PayloadIdentifierPtr (*)(std::uint32_t);

template <typename T>
PayloadIdentifierPtr make(std::uint32_t word) {
    return std::make_shared<T>(word);
}

std::vector<std::string> texts(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) {
        out.push_back(s.toStdString());
    }
    return out;
}

// ---- field layout -------------------------------------------------------------

struct FieldCase {
    const char* name;
    Factory create;
    std::uint32_t word;
    // interface, sampling, rate, picture, transport, depth, aspect, width
    // flag, colourimetry, transfer, luminance/colour difference, channel,
    // audio copy status
    std::array<int, 13> expected;
};

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
const FieldCase fieldCases[] = {
    // transport bit 7 of byte 2 does not exist; depth is one bit
    {"720_1g5",
     make<PayloadIdentifier720_1g5>,
     0x845B2011,
     {0x84, 0, 11, 1, 0, 1, 0, 0, 2, 1, 1, 0, 0}},
    {"720_3g",
     make<PayloadIdentifier720_3g>,
     0x88DB8201,
     {0x88, 2, 11, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0}},
    // byte 3 = 0x33: aspect ratio in bit 5, colourimetry bit 4 (not bits 4,5)
    {"1080_1g5",
     make<PayloadIdentifier1080_1g5>,
     0x85473301,
     {0x85, 3, 7, 1, 0, 1, 1, 0, 1, 0, 0, 0, 0}},
    {"1080_3g",
     make<PayloadIdentifier1080_3g>,
     0x89AA5912,
     {0x89, 9, 10, 0, 1, 2, 0, 1, 1, 2, 1, 0, 0}},
    // byte 3 = 0xC0: colourimetry 2 from bit 7, width flag bit 6, no aspect
    {"1080_Levelb3g",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A4BC041,
     {0x8A, 0, 11, 1, 0, 1, 0, 1, 2, 0, 0, 1, 0}},
    {"2160_QuadLink3g",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97C9A185,
     {0x97, 1, 9, 1, 1, 1, 1, 0, 2, 0, 0, 2, 1}},
    // channel 5 = byte 4 bits 5 and 7
    {"2160_QuadLinkLevelb3g",
     make<PayloadIdentifier2160_QuadLinkLevelb3g>,
     0x984AF0A1,
     {0x98, 0, 10, 1, 0, 1, 1, 1, 3, 0, 0, 5, 0}},
    {"2160_6g",
     make<PayloadIdentifier2160_6g>,
     0xC0935277,
     {0xC0, 2, 3, 0, 1, 3, 0, 1, 1, 1, 1, 3, 1}},
    {"2160_DualLink6g",
     make<PayloadIdentifier2160_DualLink6g>,
     0xC2E6A021,
     {0xC2, 0, 6, 1, 1, 1, 1, 0, 2, 2, 0, 1, 0}},
    {"2160_12g",
     make<PayloadIdentifier2160_12g>,
     0xCEC5C0E2,
     {0xCE, 0, 5, 1, 1, 2, 1, 1, 0, 0, 0, 7, 0}},
};

TEST(PayloadIdentifierInterfaces, EveryGetterReadsItsOwnBits) {
    for (const auto& c : fieldCases) {
        SCOPED_TRACE(c.name);
        const auto p = c.create(c.word);
        EXPECT_EQ(fieldsOf(*p), c.expected);
        EXPECT_TRUE(p->doReservedBitsChecks().isEmpty());
        EXPECT_TRUE(p->hasCorrectpayloadAndDigitalInterface());
    }
}

// All 24 lower bits set: what is left over is exactly the class's reserved set.
TEST(PayloadIdentifierInterfaces, ReservedBitsAreThoseNoFieldNames) {
    const auto msg = [](int byte, int bit) {
        return "Reserved bit not 0, Byte " + std::to_string(byte) + ", Bit " + std::to_string(bit);
    };
    struct Case {
        const char* name;
        Factory create;
        std::uint8_t code;
        std::vector<std::string> expected;
    };
    const std::vector<std::string> genericByte4 = {msg(0, 2), msg(0, 3), msg(0, 5), msg(0, 6),
                                                   msg(0, 7)};
    const Case cases[] = {
        {"720_1g5",
         make<PayloadIdentifier720_1g5>,
         0x84,
         {msg(0, 1), msg(0, 2), msg(0, 3), msg(0, 5), msg(0, 6), msg(0, 7), msg(1, 6), msg(1, 7),
          msg(2, 7)}},
        {"720_3g", make<PayloadIdentifier720_3g>, 0x88, genericByte4},
        {"1080_1g5", make<PayloadIdentifier1080_1g5>, 0x85, genericByte4},
        {"1080_3g", make<PayloadIdentifier1080_3g>, 0x89, genericByte4},
        {"1080_Levelb3g",
         make<PayloadIdentifier1080_Levelb3g>,
         0x8A,
         {msg(0, 2), msg(0, 3), msg(0, 5), msg(0, 7)}},
        {"2160_QuadLink3g", make<PayloadIdentifier2160_QuadLink3g>, 0x97, {msg(0, 3), msg(0, 5)}},
        {"2160_QuadLinkLevelb3g", make<PayloadIdentifier2160_QuadLinkLevelb3g>, 0x98, {msg(0, 3)}},
        {"2160_6g", make<PayloadIdentifier2160_6g>, 0xC0, {msg(0, 3)}},
        {"2160_DualLink6g", make<PayloadIdentifier2160_DualLink6g>, 0xC2, {msg(0, 3)}},
        {"2160_12g", make<PayloadIdentifier2160_12g>, 0xCE, {msg(0, 3)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = c.create((std::uint32_t{c.code} << 24) | 0x00FFFFFF);
        EXPECT_EQ(texts(p->doReservedBitsChecks()), c.expected);
        EXPECT_TRUE(p->checkThatPayloadIdentifierFieldsDoNotOverlap());
    }
}

// ---- geometry -------------------------------------------------------------------

struct GeometryCase {
    const char* name;
    Factory create;
    std::uint32_t word;
    unsigned int links;
    SdiDataRate rate;
    unsigned int level;
    unsigned int subPictures;
    SubImagePixelMappingFormat mapping;
    unsigned int kind;
    std::vector<unsigned int> heights;
    std::vector<unsigned int> firstLines;
    unsigned int activeWidth;
    unsigned int activeHeight;
    unsigned int width;
    unsigned int height;
};

constexpr auto none = SubImagePixelMappingFormat::None;
constexpr auto tsi = SubImagePixelMappingFormat::TwoSampleInterleave;
constexpr unsigned int psf = ScanningKind::ProgressiveSegmentedFrame;
constexpr unsigned int interlaced = ScanningKind::Interlaced;
constexpr unsigned int progressive = ScanningKind::Progressive;
const std::vector<unsigned int> oneField = {1125};
const std::vector<unsigned int> twoFields = {563, 562};
const std::vector<unsigned int> oneFieldFirst = {42};
const std::vector<unsigned int> twoFieldsFirst = {21, 584};

const GeometryCase geometryCases[] = {
    {"720 1.5G",
     make<PayloadIdentifier720_1g5>,
     0x845B2011,
     1,
     SdiDataRate::Rate1G5,
     0,
     1,
     none,
     progressive,
     {750},
     {26},
     1280,
     720,
     1280,
     720},
    {"720 3G 4:4:4 doubles",
     make<PayloadIdentifier720_3g>,
     0x88DB8201,
     1,
     SdiDataRate::Rate3G,
     0,
     1,
     none,
     progressive,
     {750},
     {26},
     2560,
     720,
     1280,
     720},
    {"720 3G 4:2:2",
     make<PayloadIdentifier720_3g>,
     0x88DB8001,
     1,
     SdiDataRate::Rate3G,
     0,
     1,
     none,
     progressive,
     {750},
     {26},
     1280,
     720,
     1280,
     720},
    {"1080 1.5G psf", make<PayloadIdentifier1080_1g5>, 0x85473301, 1, SdiDataRate::Rate1G5, 0, 1,
     none, psf, twoFields, twoFieldsFirst, 1920, 540, 1920, 1080},
    {"1080 1.5G 2048p", make<PayloadIdentifier1080_1g5>, 0x85C74001, 1, SdiDataRate::Rate1G5, 0, 1,
     none, progressive, oneField, oneFieldFirst, 2048, 1080, 2048, 1080},
    {"1080 3G p50", make<PayloadIdentifier1080_3g>, 0x89C98001, 1, SdiDataRate::Rate3G, 0, 1, none,
     progressive, oneField, oneFieldFirst, 1920, 1080, 1920, 1080},
    {"1080 3G interlaced 2048 4:4:4:4 12-bit", make<PayloadIdentifier1080_3g>, 0x89AA5912, 1,
     SdiDataRate::Rate3G, 0, 1, none, interlaced, twoFields, twoFieldsFirst, 4096, 540, 2048, 1080},
    {"1080 3G 4:4:4 10-bit", make<PayloadIdentifier1080_3g>, 0x89C98101, 1, SdiDataRate::Rate3G, 0,
     1, none, progressive, oneField, oneFieldFirst, 3840, 1080, 1920, 1080},
    {"1080 3G 4:2:2 12-bit", make<PayloadIdentifier1080_3g>, 0x89C98002, 1, SdiDataRate::Rate3G, 0,
     1, none, progressive, oneField, oneFieldFirst, 3840, 1080, 1920, 1080},
    // progressive 4:2:2 10-bit on two interlace-structured streams
    {"1080 level B p60", make<PayloadIdentifier1080_Levelb3g>, 0x8A4BC041, 1, SdiDataRate::Rate3G,
     1, 1, none, progressive, twoFields, twoFieldsFirst, 2048, 540, 2048, 1080},
    {"1080 level B 4:4:4 p/p", make<PayloadIdentifier1080_Levelb3g>, 0x8AC72101, 1,
     SdiDataRate::Rate3G, 1, 1, none, progressive, oneField, oneFieldFirst, 1920, 1080, 1920, 1080},
    {"1080 level B 4:4:4 psf", make<PayloadIdentifier1080_Levelb3g>, 0x8A472101, 1,
     SdiDataRate::Rate3G, 1, 1, none, psf, twoFields, twoFieldsFirst, 1920, 540, 1920, 1080},
    {"quad 3G 4:4:4", make<PayloadIdentifier2160_QuadLink3g>, 0x97C9A185, 4, SdiDataRate::Rate3G, 0,
     4, tsi, progressive, oneField, oneFieldFirst, 3840, 1080, 3840, 2160},
    // active height follows the picture bit alone on the 2160-line level A classes
    {"quad 3G psf", make<PayloadIdentifier2160_QuadLink3g>, 0x97490001, 4, SdiDataRate::Rate3G, 0,
     4, tsi, psf, twoFields, twoFieldsFirst, 1920, 1080, 3840, 2160},
    {"quad 3G level B", make<PayloadIdentifier2160_QuadLinkLevelb3g>, 0x984AF0A1, 4,
     SdiDataRate::Rate3G, 1, 4, tsi, progressive, twoFields, twoFieldsFirst, 2048, 540, 4096, 2160},
    {"6G interlaced RGB 12-bit", make<PayloadIdentifier2160_6g>, 0xC0935277, 1, SdiDataRate::Rate6G,
     0, 4, tsi, interlaced, twoFields, twoFieldsFirst, 4096, 540, 4096, 2160},
    {"6G psf", make<PayloadIdentifier2160_6g>, 0xC0450001, 1, SdiDataRate::Rate6G, 0, 4, tsi, psf,
     twoFields, twoFieldsFirst, 1920, 1080, 3840, 2160},
    {"dual 6G", make<PayloadIdentifier2160_DualLink6g>, 0xC2E6A021, 2, SdiDataRate::Rate6G, 0, 4,
     tsi, progressive, oneField, oneFieldFirst, 1920, 1080, 3840, 2160},
    {"12G 12-bit", make<PayloadIdentifier2160_12g>, 0xCEC5C0E2, 1, SdiDataRate::Rate12G, 0, 4, tsi,
     progressive, oneField, oneFieldFirst, 4096, 1080, 4096, 2160},
};

TEST(PayloadIdentifierInterfaces, GeometryFollowsInterfaceAndFields) {
    for (const auto& c : geometryCases) {
        SCOPED_TRACE(c.name);
        const auto p = c.create(c.word);
        EXPECT_EQ(p->getNumPhysicalConnections(), c.links);
        EXPECT_EQ(p->getDataRatePerPhysicalConnection(), c.rate);
        EXPECT_EQ(p->getLevel(), c.level);
        EXPECT_EQ(p->getNumSubPictures(), c.subPictures);
        EXPECT_EQ(p->getSubImagePixelMappingFormat(), c.mapping);
        EXPECT_EQ(p->getPicutreInterlacedProgressivePsf(), c.kind);
        EXPECT_EQ(p->getFieldHeights(), c.heights);
        EXPECT_EQ(p->getFieldFirstLineNumbersOfActivePicture(), c.firstLines);
        EXPECT_EQ(p->getFieldActivePictureWidthInSamples(), c.activeWidth);
        EXPECT_EQ(p->getFieldActivePictureHeight(), c.activeHeight);
        EXPECT_EQ(p->getReconstructedImageWidthInPixels(), c.width);
        EXPECT_EQ(p->getReconstructedImageHeightInPixels(), c.height);
    }
}

// ---- validation -----------------------------------------------------------------

struct ValidationCase {
    const char* name;
    Factory create;
    std::uint32_t word;
    std::vector<std::string> expected;
};

const ValidationCase validationCases[] = {
    // 1080 3G level A
    {"1080 3G p50 clean", make<PayloadIdentifier1080_3g>, 0x89C98001, {}},
    {"1080 3G wrong code",
     make<PayloadIdentifier1080_3g>,
     0x85C98001,
     {"Incorrect payload identifier: 133"}},
    {"1080 3G rate 12", make<PayloadIdentifier1080_3g>, 0x89CC8001, {"Invalid picture rate: 12"}},
    {"1080 3G all rules",
     make<PayloadIdentifier1080_3g>,
     0x00C08B01,
     {"Incorrect payload identifier: 0", "Invalid picture rate: 0",
      "Invalid sampling structure: 11"}},
    // 720 3G
    {"720 3G clean", make<PayloadIdentifier720_3g>, 0x88DB8201, {}},
    {"720 3G rate 1, sampling 15",
     make<PayloadIdentifier720_3g>,
     0x88D18F01,
     {"Invalid picture rate: 1", "Invalid sampling structure: 15"}},
    // 720 1.5G
    {"720 1.5G clean", make<PayloadIdentifier720_1g5>, 0x845B2011, {}},
    {"720 1.5G interlaced",
     make<PayloadIdentifier720_1g5>,
     0x840B0001,
     {"Invalid picture interlaced/progressive: 0"}},
    {"720 1.5G rate 48", make<PayloadIdentifier720_1g5>, 0x84480001, {"Invalid picture rate: 8"}},
    {"720 1.5G 4:4:4",
     make<PayloadIdentifier720_1g5>,
     0x844B0101,
     {"Invalid sampling structure: 1"}},
    // 1080 1.5G
    {"1080 1.5G psf 4:2:0 clean", make<PayloadIdentifier1080_1g5>, 0x85473301, {}},
    {"1080 1.5G 1080i50 clean", make<PayloadIdentifier1080_1g5>, 0x85052001, {}},
    {"1080 1.5G p50", make<PayloadIdentifier1080_1g5>, 0x85490001, {"Invalid picture rate: 9"}},
    {"1080 1.5G interlaced 24",
     make<PayloadIdentifier1080_1g5>,
     0x85030001,
     {"Invalid picture rate: 3"}},
    {"1080 1.5G 2048 p48",
     make<PayloadIdentifier1080_1g5>,
     0x85484001,
     {"Invalid picture rate: 8"}},
    {"1080 1.5G 2048 interlaced",
     make<PayloadIdentifier1080_1g5>,
     0x85054001,
     {"Invalid picture interlaced/progressive: 0"}},
    {"1080 1.5G 4:4:4",
     make<PayloadIdentifier1080_1g5>,
     0x85470101,
     {"Invalid sampling structure: 1"}},
    {"1080 1.5G 12-bit", make<PayloadIdentifier1080_1g5>, 0x85470002, {"Invalid bit depth: 2"}},
    // 1080 level B, 4:2:2
    {"B p60 clean", make<PayloadIdentifier1080_Levelb3g>, 0x8A4B0001, {}},
    {"B p60 stream 2 clean", make<PayloadIdentifier1080_Levelb3g>, 0x8A4B0041, {}},
    {"B 2048 p48 clean", make<PayloadIdentifier1080_Levelb3g>, 0x8A484001, {}},
    {"B 422 at 25",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A450001,
     {"Invalid picture rate for 1920 pixel 422: 5"}},
    {"B rate 1",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A410001,
     {"Invalid picture rate: 1", "Invalid picture rate for 1920 pixel 422: 1"}},
    {"B full range",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A4B0000,
     {"Invalid bit depth: 0", "Invalid bit depth for 422: 0"}},
    {"B 422 12-bit",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A4B0002,
     {"Invalid bit depth for 422: 2"}},
    {"B 422 progressive transport",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8ACB0001,
     {"Invalid transport interlace format for 422: 1"}},
    {"B 422 interlaced picture",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A0B0001,
     {"Invalid picture interlace format for 422: 0"}},
    {"B 2048 422 at 30",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A474001,
     {"Invalid picture rate for 2048 pixel 422: 7"}},
    // 1080 level B, extended colour modes
    {"B 444 psf 23.98 clean", make<PayloadIdentifier1080_Levelb3g>, 0x8A420101, {}},
    {"B 444 1080i60 clean", make<PayloadIdentifier1080_Levelb3g>, 0x8A070101, {}},
    {"B 444 2048 interlaced",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A054101,
     {"Invalid picture interlace format for 2048 Extended colour modes: 0"}},
    {"B 444 interlaced 100 fields",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A090101,
     {"Invalid picture rate for Interlaced 1920 pixel Extended colour modes: 9"}},
    {"B 444 2048 p50",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8AC94101,
     {"Invalid picture rate for Progressive 1920 pixel Extended colour modes: 9"}},
    {"B sampling 12 p60",
     make<PayloadIdentifier1080_Levelb3g>,
     0x8A4B0C01,
     {"Invalid sampling structure: 12",
      "Invalid picture rate for Progressive 1920 pixel Extended colour modes: 11"}},
    // four 3G links, level A
    {"quad p50 clean", make<PayloadIdentifier2160_QuadLink3g>, 0x97C98001, {}},
    {"quad 4096 p48 clean", make<PayloadIdentifier2160_QuadLink3g>, 0x97C84001, {}},
    {"quad 444 p25 clean", make<PayloadIdentifier2160_QuadLink3g>, 0x97C58101, {}},
    {"quad PQ clean", make<PayloadIdentifier2160_QuadLink3g>, 0x97E98001, {}},
    {"quad 444 p50",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97C98101,
     {"Incorrect FrameRate for extended colour mode: 9"}},
    {"quad 422 p25",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97C58001,
     {"Incorrect FrameRate for 422/420-10: 5"}},
    {"quad 3840 p48",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97C88001,
     {"Incorrect FrameRate for 3840x2160: 8"}},
    {"quad 3840 444 p48",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97C88101,
     {"Incorrect FrameRate for 3840x2160: 8", "Incorrect FrameRate for extended colour mode: 8"}},
    {"quad rate 12",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97CC8001,
     {"Incorrect PictureRate: 12"}},
    {"quad transport interlaced",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97498001,
     {"Incorrect TransportFormat: 0"}},
    {"quad picture interlaced",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97898001,
     {"Incorrect PictureFormat: 0"}},
    {"quad transfer 3",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97F98001,
     {"Incorrect TransferCurve: 3"}},
    {"quad audio on link 2",
     make<PayloadIdentifier2160_QuadLink3g>,
     0x97C98045,
     {"Incorrect AudioCopyStatus for channel 1 or 2: 1"}},
    {"quad audio on link 4", make<PayloadIdentifier2160_QuadLink3g>, 0x97C980C5, {}},
    // the other 2160-line classes only check their code
    {"quad B anything", make<PayloadIdentifier2160_QuadLinkLevelb3g>, 0x98000F00, {}},
    {"quad B wrong code",
     make<PayloadIdentifier2160_QuadLinkLevelb3g>,
     0x97C98001,
     {"Incorrect payload identifier: 151"}},
    {"6G anything", make<PayloadIdentifier2160_6g>, 0xC0000F00, {}},
    {"6G wrong code",
     make<PayloadIdentifier2160_6g>,
     0xC2C98001,
     {"Incorrect payload identifier: 194"}},
    {"dual 6G anything", make<PayloadIdentifier2160_DualLink6g>, 0xC2000F00, {}},
    {"dual 6G wrong code",
     make<PayloadIdentifier2160_DualLink6g>,
     0xCEC98001,
     {"Incorrect payload identifier: 206"}},
    {"12G anything", make<PayloadIdentifier2160_12g>, 0xCE000F00, {}},
    {"12G wrong code",
     make<PayloadIdentifier2160_12g>,
     0xC0C98001,
     {"Incorrect payload identifier: 192"}},
};

TEST(PayloadIdentifierInterfaces, ValidationReportsEveryFailedRuleInOrder) {
    for (const auto& c : validationCases) {
        SCOPED_TRACE(c.name);
        const auto p = c.create(c.word);
        EXPECT_EQ(texts(p->doSmpteValidationChecks()), c.expected);
    }
}

TEST(PayloadIdentifierInterfaces, WrongCodeStillAnswersGeometry) {
    const PayloadIdentifier1080_3g p(0x85C98001);
    EXPECT_FALSE(p.hasCorrectpayloadAndDigitalInterface());
    EXPECT_EQ(p.getFieldActivePictureWidthInSamples(), 1920u);
    EXPECT_EQ(p.getDataRatePerPhysicalConnection(), SdiDataRate::Rate3G);
}

// Level B extended colour mode standards the analyser recognises: 1080 P/P
// at 30, 29.97, 25, 24 and 23.98 in 4:4:4 / 4:4:4:4 10-bit and 4:4:4 12-bit,
// both widths. None of them may trip the extended-mode rate rule.
TEST(PayloadIdentifierInterfaces, LevelBExtendedAnalyserStandardsValidate) {
    const PictureRate rates[] = {PictureRate::Rate30, PictureRate::Rate30_1001, PictureRate::Rate25,
                                 PictureRate::Rate24, PictureRate::Rate24_1001};
    struct Group {
        HorizontalPixelArraySize width;
        AspectRatio aspect;
        SampleStructure sampling;
        BitDepth depth;
    };
    using S = SampleStructure;
    const auto w1920 = HorizontalPixelArraySize::Pixels1920;
    const auto w2048 = HorizontalPixelArraySize::Pixels2048;
    const auto a1 = AspectRatio::Ratio16x9;
    const auto a0 = AspectRatio::Ratio4x3;
    const Group groups[] = {
        {w1920, a1, S::Rgb444, BitDepth::Bit10},     {w1920, a1, S::RgbA4444, BitDepth::Bit10},
        {w1920, a1, S::YCbCr444, BitDepth::Bit10},   {w1920, a1, S::YCbCrA4444, BitDepth::Bit10},
        {w2048, a0, S::Rgb444, BitDepth::Bit10},     {w2048, a0, S::RgbA4444, BitDepth::Bit10},
        {w2048, a0, S::YCbCr444, BitDepth::Bit10},   {w2048, a0, S::YCbCrA4444, BitDepth::Bit10},
        {w1920, a1, S::Rgb444, BitDepth::Bit12},     {w1920, a1, S::YCbCr444, BitDepth::Bit12},
        {w2048, a0, S::Rgb444, BitDepth::Bit12},     {w2048, a0, S::YCbCr444, BitDepth::Bit12},
        {w1920, a1, S::YCbCr422, BitDepth::Bit12},   {w2048, a0, S::YCbCr422, BitDepth::Bit12},
        {w2048, a0, S::YCbCrA4224, BitDepth::Bit12},
    };
    for (const auto& g : groups) {
        for (const auto rate : rates) {
            const std::uint32_t word = PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
                TransportFormat::Progressive, PictureFormat::Progressive, rate,
                Colourimetry::Rec709, g.width, g.aspect, g.sampling, Channel::Channel1, g.depth,
                TransferCurve::SdrTv, LuminanceAndColourDifferenceSignal::YCbCr);
            SCOPED_TRACE(word);
            const QStringList messages =
                PayloadIdentifier1080_Levelb3g(word).doSmpteValidationChecks();
            if (g.sampling != S::YCbCr422) {
                EXPECT_TRUE(messages.isEmpty()) << messages.join(" | ").toStdString();
            } else {
                // 4:2:2 12-bit falls under the 4:2:2 rules instead, never the
                // extended-mode rate rule
                EXPECT_FALSE(messages.join(" ").contains("Extended colour modes"));
            }
        }
    }
}

// ---- builders -------------------------------------------------------------------

TEST(PayloadIdentifierInterfaces, BuildersWriteEachFieldIntoItsBits) {
    const auto yc = LuminanceAndColourDifferenceSignal::YCbCr;
    struct Case {
        const char* name;
        std::uint32_t built;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"1080 3G p50",
         PayloadIdentifier1080_3g::getPayloadIdentifierWord(
             TransportFormat::Progressive, PictureFormat::Progressive, PictureRate::Rate50,
             Colourimetry::Rec709, AspectRatio::Ratio16x9, HorizontalPixelArraySize::Pixels1920,
             SampleStructure::YCbCr422, BitDepth::Bit10, TransferCurve::SdrTv, yc),
         0x89C98001},
        // a depth of 5 and Rec.601 do not fit their fields and are left out
        {"1080 3G misfits",
         PayloadIdentifier1080_3g::getPayloadIdentifierWord(
             TransportFormat::Progressive, PictureFormat::Progressive, PictureRate::Rate50,
             Colourimetry::Rec601, AspectRatio::Ratio16x9, HorizontalPixelArraySize::Pixels1920,
             SampleStructure::YCbCr422, static_cast<BitDepth>(5), TransferCurve::SdrTv, yc),
         0x89C98000},
        {"1080 level B",
         PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
             TransportFormat::Interlaced, PictureFormat::Progressive, PictureRate::Rate60,
             Colourimetry::Rec2020, HorizontalPixelArraySize::Pixels2048, AspectRatio::Ratio4x3,
             SampleStructure::YCbCr422, Channel::Channel2, BitDepth::Bit10, TransferCurve::SdrTv,
             yc),
         0x8A4BC041},
        // one channel bit only: stream 3 is left out
        {"1080 level B channel 2",
         PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
             TransportFormat::Interlaced, PictureFormat::Progressive, PictureRate::Rate60,
             Colourimetry::Rec2020, HorizontalPixelArraySize::Pixels2048, AspectRatio::Ratio4x3,
             SampleStructure::YCbCr422, Channel::Channel3, BitDepth::Bit10, TransferCurve::SdrTv,
             yc),
         0x8A4BC001},
        {"quad 3G",
         PayloadIdentifier2160_QuadLink3g::getPayloadIdentifierWord(
             TransportFormat::Progressive, PictureFormat::Progressive, PictureRate::Rate50,
             SampleStructure::YCbCr444, Colourimetry::Rec2020, AspectRatio::Ratio16x9,
             HorizontalPixelArraySize::Pixels1920, BitDepth::Bit10, AudioCopyStatus::Set,
             TransferCurve::SdrTv, yc, Channel::Channel3),
         0x97C9A185},
        {"quad 3G level B",
         PayloadIdentifier2160_QuadLinkLevelb3g::getPayloadIdentifierWord(
             TransportFormat::Interlaced, PictureFormat::Progressive, PictureRate::Rate60_1001,
             Colourimetry::Unknown, SampleStructure::YCbCr422, AspectRatio::Ratio16x9,
             HorizontalPixelArraySize::Pixels2048, BitDepth::Bit10, AudioCopyStatus::NotSet,
             Channel::Channel6, TransferCurve::SdrTv, yc),
         0x984AF0A1},
        {"6G",
         PayloadIdentifier2160_6g::getPayloadIdentifierWord(
             TransportFormat::Progressive, PictureFormat::Interlaced, PictureRate::Rate24,
             SampleStructure::Rgb444, Colourimetry::ColVancPacket, AspectRatio::Ratio4x3,
             HorizontalPixelArraySize::Pixels2048, BitDepth::Bit12FullRange, AudioCopyStatus::Set,
             Channel::Channel4, TransferCurve::Hlg, LuminanceAndColourDifferenceSignal::ICtCp),
         0xC0935277},
        {"dual 6G",
         PayloadIdentifier2160_DualLink6g::getPayloadIdentifierWord(
             TransportFormat::Progressive, PictureFormat::Progressive, PictureRate::Rate30_1001,
             SampleStructure::YCbCr422, Colourimetry::Rec2020, AspectRatio::Ratio16x9,
             HorizontalPixelArraySize::Pixels1920, BitDepth::Bit10, AudioCopyStatus::NotSet,
             Channel::Channel2, TransferCurve::Pq, yc),
         0xC2E6A021},
        {"12G",
         PayloadIdentifier2160_12g::getPayloadIdentifierWord(
             TransportFormat::Progressive, PictureFormat::Progressive, PictureRate::Rate25,
             SampleStructure::YCbCr422, Colourimetry::Rec709, AspectRatio::Ratio16x9,
             HorizontalPixelArraySize::Pixels2048, BitDepth::Bit12, AudioCopyStatus::NotSet,
             Channel::Channel8, TransferCurve::SdrTv, yc),
         0xCEC5C0E2},
        // classes without a builder: their map decides what can be written;
        // 720 on 1.5G has no transport bit to set
        {"720 1.5G composed",
         PayloadIdentifierBase::composePayloadIdentifierWord(
             PayloadIdentifier720_1g5::createFieldMap(), 0x84,
             {{PayloadIdentifierBase::FieldType::TransportInterlaced, 1},
              {PayloadIdentifierBase::FieldType::PictureInterlaced, 1},
              {PayloadIdentifierBase::FieldType::PictureRate, 11},
              {PayloadIdentifierBase::FieldType::BitDepth, 2},
              {PayloadIdentifierBase::FieldType::Colourimetry, 2}}),
         0x844B2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected);
    }
}

}  // namespace
}  // namespace Corvane::Sdi
