// Payload identifiers: the field encoding and its layouts, the base class,
// then the ten interface classes against hand-assembled words.

#include "SdiTestSupport.h"
#include "sdi/SdiUtility.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Corvane::Sdi {
namespace {

using Bit = PayloadIdentifierField::Bit;
using FieldType = PayloadIdentifierBase::FieldType;
using FieldLayout = PayloadIdentifierBase::FieldLayout;
using namespace PayloadId;
using Sdi::Testing::identifier;
using Rate = SdiDataRate;

std::string joined(const QStringList& list) {
    return list.join('|').toStdString();
}

// The reserved-bit report of the bits listed as "byte.bit".
std::string reservedReport(const char* bits) {
    QStringList report;
    for (const QString& at : QString(bits).split(' ', Qt::SkipEmptyParts)) {
        report << "Reserved bit not 0, Byte " + at.left(1) + ", Bit " + at.right(1);
    }
    return joined(report);
}

// The layout's shift-and-mask shortcut agrees bit for bit with the field
// definition it was made from, on words that set, clear and alternate the
// bits of every byte.
TEST(PayloadIdentifierField, WritesOnlyItsBitsAndTheLayoutAgrees) {
    struct Case {
        const char* name;
        PayloadIdentifierField field;
        std::uint32_t before;
        int value;
        bool accepted;
        std::uint32_t after;
    };
    const PayloadIdentifierField twoBits(2, {Bit::Bit4, Bit::Bit5});
    const PayloadIdentifierField nineBits(3, {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3, Bit::Bit4,
                                              Bit::Bit5, Bit::Bit6, Bit::Bit7, Bit::Bit0});
    const Case cases[] = {
        {"3 into bits 4,5 of byte index 2", twoBits, 0, 3, true, 0x00003000},
        {"4 is too wide for two bits", twoBits, 0x12345678, 4, false, 0x12345678},
        {"negative refused", twoBits, 0x12345678, -1, false, 0x12345678},
        {"0 clears and keeps the rest", twoBits, 0xFFFFFFFF, 0, true, 0xFFFFCFFF},
        // value bit 1 goes to the second listed bit, however far away
        {"split field", PayloadIdentifierField(2, {Bit::Bit4, Bit::Bit7}), 0, 2, true, 0x00008000},
        {"listed order is value order", PayloadIdentifierField(3, {Bit::Bit1, Bit::Bit0}), 0, 1,
         true, 0x00000002},
        {"byte index 0 is the top byte", PayloadIdentifierField(0, {Bit::Bit7}), 0, 1, true,
         0x80000000},
        {"eight bits take 255", PayloadIdentifier1080_3g::defaultPayloadIdentifierFieldDefinition(),
         0x00FFFFFF, 255, true, 0xFFFFFFFF},
        {"repeated bit", PayloadIdentifierField(3, {Bit::Bit4, Bit::Bit4}), 0, 3, true, 0x10},
        {"no bits: 0 accepted untouched", PayloadIdentifierField(1, {}), 0xABCD, 0, true, 0xABCD},
        {"no bits: 1 refused", PayloadIdentifierField(1, {}), 0xABCD, 1, false, 0xABCD},
        {"nine bits: 1 refused", nineBits, 0xFF, 1, false, 0xFF},
        {"byte outside the word", PayloadIdentifierField(4, {Bit::Bit0}), 0, 1, false, 0},
        {"bit outside the byte",
         PayloadIdentifierField(2, {Bit::Bit6, Bit::Bit7, static_cast<Bit>(8)}), 0, 1, false, 0},
    };
    const std::uint32_t words[] = {0x00000000, 0xFFFFFFFF, 0xA5A5A5A5, 0x5A5A5A5A,
                                   0x89C98001, 0x12345678, 0x80808080, 0x01010101};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t word = c.before;
        EXPECT_EQ(c.field.applyValueToPayloadIdentifierWord(word, c.value), c.accepted);
        EXPECT_EQ(word, c.after);
        if (c.accepted) {
            EXPECT_EQ(c.field.readValueFromPayloadIdentifierWord(word),
                      static_cast<unsigned int>(c.value));
        }
        const FieldLayout layout({{FieldType::Colourimetry, c.field}});
        EXPECT_TRUE(layout.hasField(FieldType::Colourimetry));
        EXPECT_EQ(layout.claimedBits(), c.field.wordMask());
        for (const std::uint32_t w : words) {
            EXPECT_EQ(layout.read(FieldType::Colourimetry, w),
                      c.field.readValueFromPayloadIdentifierWord(w))
                << w;
            for (const int value : {-1, 0, 1, 2, 3, 4, 200, 255, 256}) {
                std::uint32_t viaLayout = w;
                std::uint32_t viaField = w;
                EXPECT_EQ(layout.write(FieldType::Colourimetry, viaLayout, value),
                          c.field.applyValueToPayloadIdentifierWord(viaField, value))
                    << w << " " << value;
                EXPECT_EQ(viaLayout, viaField) << w << " " << value;
            }
        }
    }
}

TEST(PayloadIdentifierLayout, AbsentUnusualAndOverlappingFields) {
    const auto unusual = static_cast<FieldType>(40);
    const FieldLayout layout({{FieldType::PictureRate, {1, {Bit::Bit0, Bit::Bit1}}},
                              {unusual, {3, {Bit::Bit5, Bit::Bit6}}}});
    // A field the map lacks reads 0 and refuses every write.
    std::uint32_t word = 0xFFFFFFFF;
    EXPECT_FALSE(layout.hasField(FieldType::Channel));
    EXPECT_EQ(layout.read(FieldType::Channel, word), 0u);
    EXPECT_FALSE(layout.write(FieldType::Channel, word, 0));
    EXPECT_EQ(word, 0xFFFFFFFFu);
    // A key beyond the getters' range is still a field of the map...
    EXPECT_TRUE(layout.hasField(unusual));
    EXPECT_EQ(layout.read(unusual, 0x00000040), 2u);
    EXPECT_TRUE(layout.write(unusual, word, 1));
    EXPECT_EQ(word, 0xFFFFFFBFu);
    EXPECT_EQ(layout.claimedBits(), 0x00030060u);
    // ...and its bits are not reserved.
    const PayloadIdentifierBase id(0x00000060, layout.fieldMap());
    EXPECT_TRUE(id.doReservedBitsChecks().isEmpty());
    EXPECT_TRUE(id.hasField(unusual));
    EXPECT_TRUE(id.checkThatPayloadIdentifierFieldsDoNotOverlap());
    // A field sharing one bit with another overlaps it.
    EXPECT_FALSE(PayloadIdentifierBase(0, {{FieldType::PictureRate, {1, {Bit::Bit0, Bit::Bit1}}},
                                           {FieldType::Channel, {1, {Bit::Bit1, Bit::Bit2}}}})
                     .checkThatPayloadIdentifierFieldsDoNotOverlap());
    // Without an interface code field the code is byte 1.
    const PayloadIdentifierBase bare(0x12000000, {});
    EXPECT_EQ(static_cast<int>(bare.getPayloadAndDigitialInterface()), 0x12);
    EXPECT_EQ(bare.getSampleStructure(), SampleStructure::YCbCr422);
}

// The layouts must live as long as anything that reads through them.
TEST(PayloadIdentifierLayout, ClassesShareOneMapAndCopiesKeepTheirOwn) {
    const PayloadIdentifier1080_3g a(0x89C98001);
    const PayloadIdentifier1080_3g b(0x89CA8001);
    EXPECT_EQ(&a.getFieldMap(), &b.getFieldMap());
    EXPECT_EQ(&a.getFieldMap(), &PayloadIdentifier1080_3g::createFieldMap());
    EXPECT_NE(&a.getFieldMap(), &PayloadIdentifier1080_1g5::createFieldMap());

    std::optional<PayloadIdentifierBase> original;
    original.emplace(0x89000000u | (1u << 5),
                     PayloadIdentifierBase::FieldMap{
                         {FieldType::PayloadAndDigitalInterface,
                          PayloadIdentifierBase::defaultPayloadIdentifierFieldDefinition()},
                         {FieldType::BitDepth, {3, {Bit::Bit5, Bit::Bit6}}}});
    const PayloadIdentifierBase copy(*original);
    original.reset();
    EXPECT_EQ(copy.getFieldMap().size(), 2u);
    EXPECT_EQ(copy.getBitDepth(), PayloadId::BitDepth::Bit10);
    EXPECT_TRUE(copy.doReservedBitsChecks().isEmpty());
}

TEST(PayloadIdentifierBase, ReservedBitsAreLoggedAtConstruction) {
    Corvane::Testing::LogCapture log(Corvane::Testing::LogCapture::levelAndText);
    // Byte 4 bit 7 is reserved on a level A 1080-line link.
    const PayloadIdentifier1080_3g p(0x89C98081);
    ASSERT_EQ(p.doReservedBitsChecks(), QStringList{"Reserved bit not 0, Byte 0, Bit 7"});
    // Every identifier reports its own word, however many share the class layout.
    const PayloadIdentifier1080_3g clean(0x89C98001);
    const PayloadIdentifier1080_3g again(0x89C98081);
    EXPECT_EQ(log.lines(), std::vector<std::string>(2, "W Reserved bit not 0, Byte 0, Bit 7"));
}

TEST(PayloadIdentifierBase, WordOnlyIdentifierUsesSevenGenericFields) {
    // colourimetry, width flag, transfer, luminance are not in the default map
    const PayloadIdentifierBase p(0x89F9F011);
    EXPECT_EQ(p.getPictureRate(), PictureRate::Rate50);
    EXPECT_EQ(p.getAspectRatio(), AspectRatio::Ratio16x9);
    EXPECT_EQ(p.getColourimetry(), Colourimetry::Rec709);
    EXPECT_EQ(p.getTransferCharacteristics(), TransferCurve::SdrTv);
    EXPECT_EQ(joined(p.doReservedBitsChecks()), reservedReport("0.4 1.4 1.5 1.6 2.4 2.5"));
    // the base describes no interface
    EXPECT_FALSE(p.hasCorrectpayloadAndDigitalInterface());
    EXPECT_EQ(p.doSmpteValidationChecks(),
              QStringList{"Error packet does not match any supported type"});
}

TEST(PayloadIdentifierBase, TwoSampleLocationsPerPixelDoubleTheLine) {
    // Byte 3 sampling, byte 4 depth: only 4:2:2 and 4:2:0 at 10 bits (either
    // range) keep one location per pixel.
    const std::pair<std::uint32_t, unsigned int> cases[] = {
        {0x89C98001, 1920}, {0x89C98300, 1920}, {0x89C98002, 3840}, {0x89C98303, 3840},
        {0x89C98101, 3840}, {0x89C98400, 3840}, {0x89C98E01, 3840}};
    for (const auto& [word, expected] : cases) {
        const PayloadIdentifier1080_3g p(word);
        EXPECT_EQ(p.doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(1920), expected)
            << std::hex << word;
    }
}

TEST(PayloadIdentifierBase, VideoStandardComparisonIgnoresLinkFields) {
    // Against quad 3G 50p 4:2:2 10-bit link 1, each word with the getter that
    // differs; null for the same video: other link, aspect ratio, copy status.
    const std::uint32_t base = 0x97C98001;
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x97C980C1, nullptr},
        {0x97C90001, nullptr},
        {0x97C98005, nullptr},
        {0x97C98101, "getSampleStructure"},
        {0x97CA8001, "getFrameRate"},
        {0x97898001, "getPicutreInterlaced"},
        {0x97498001, "getTransportInterlaced"},
        {0x97C98002, "getBitDepth"},
        {0x97C9C001, "getHorizontalArraySize"},
        {0x97C9A001, "getColourimetry"},
        {0x89C98001, "getPayloadAndDigitialInterface"},
        {0x97D98001, "getTransferCharacteristics"},
        {0x97C98011, "getLuminanceAndColourDifferenceSignal"}};
    const PayloadIdentifier2160_QuadLink3g a(base);
    for (const auto& [other, noMatch] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << other);
        const PayloadIdentifier2160_QuadLink3g b(other);
        Corvane::Testing::LogCapture log(Corvane::Testing::LogCapture::levelAndText);
        const bool same = noMatch == nullptr;
        EXPECT_EQ(a.compareForVideoStandard(b, false), same);
        EXPECT_TRUE(log.lines().empty());
        EXPECT_EQ(a.compareForVideoStandard(b, true), same);
        std::vector<std::string> expected = {"I Comparing payload Identifiers...",
                                             "I " + a.toHumanReadable(false).toStdString(),
                                             "I " + b.toHumanReadable(false).toStdString()};
        if (!same) {
            expected.push_back(std::string("I NO MATCH - ") + noMatch);
        }
        expected.push_back(same ? "I Comparable? true" : "I Comparable? false");
        EXPECT_EQ(log.lines(), expected);
        EXPECT_TRUE(a != b);
    }
    EXPECT_TRUE(a == PayloadIdentifier2160_QuadLink3g(base));
}

// Exercises the text branches that no real interface reaches. (The texts
// without the link are the standards' short texts, checked in standard_test.cpp.)
class ConfigurableInterface final : public PayloadIdentifierBase {
public:
    struct Config {
        unsigned int links;
        SdiDataRate rate;
        unsigned int level;
        SubImagePixelMappingFormat mapping;
        unsigned int kind;
    };
    ConfigurableInterface(std::uint32_t word, Config c)
        : PayloadIdentifierBase(word, fieldMap()), c_(c) {}
    static FieldMap fieldMap() {
        FieldMap map = genericFieldMap();
        map[FieldType::Channel] = PayloadIdentifierField(3, {Bit::Bit5, Bit::Bit6, Bit::Bit7});
        return map;
    }
    unsigned int getNumPhysicalConnections() const override { return c_.links; }
    SdiDataRate getDataRatePerPhysicalConnection() const override { return c_.rate; }
    unsigned int getLevel() const override { return c_.level; }
    SubImagePixelMappingFormat getSubImagePixelMappingFormat() const override { return c_.mapping; }
    unsigned int getPicutreInterlacedProgressivePsf() const override { return c_.kind; }

private:
    Config c_;
};

TEST(PayloadIdentifierBase, HumanReadableText) {
    const auto none = SubImagePixelMappingFormat::None;
    const auto fake = [](std::uint32_t word,
                         ConfigurableInterface::Config config) -> PayloadIdentifierPtr {
        return std::make_shared<ConfigurableInterface>(word, config);
    };
    const std::pair<PayloadIdentifierPtr, const char*> cases[] = {
        {identifier(0, 0x89), "No payload identifier"},
        {identifier(0x97C98001), "3840x2160p50 YCbCr:422:10 QL 3G A 2-SI Link1 Rec.709"},
        {identifier(0x984AF0A1), "4096x2160p59.94 YCbCr:422:10 QL 3G B 2-SI DS6_Link3 Unknown"},
        {identifier(0x8A4BC041), "2048x1080p60 YCbCr:422:10 3G B LinkB Rec.2020"},
        {identifier(0xC0935277), "4096x2160i48 RGB:444:12FR 6G 2-SI Link4 ICtCp HLG ColVancPacket"},
        {identifier(0xC2E6A021), "3840x2160p29.97 YCbCr:422:10 DL 6G 2-SI Link2 PQ Rec.2020"},
        {identifier(0xCEC5C0E2), "4096x2160p25 YCbCr:422:12 12G 2-SI Link8 Rec.709"},
        {identifier(0x85473301), "1920x1080psf30 YCbCr:420:10 1.5G ColVancPacket"},
        {identifier(0x845B2011), "1280x720p60 YCbCr:422:10 1.5G ICtCp HLG Rec.2020"},
        {identifier(0x89AA5912), "2048x1080i119.88 YCbCrD:4444:12 3G A ICtCp PQ ColVancPacket"},
        {identifier(0x88C70701), "1280x720p30 RESERVED:10 3G A Rec.709"},
        {fake(0x89C98021, {2, Rate::Rate1G5, 0, none, 3}),
         "0x0p50 YCbCr:422:10 DL 1.5G LinkB Rec.709"},
        {fake(0x89C98041, {2, Rate::Rate1G5, 0, none, 3}),
         "0x0p50 YCbCr:422:10 DL 1.5G Link? Rec.709"},
        {fake(0x89C98041, {1, Rate::Rate3G, 1, none, 3}), "0x0p50 YCbCr:422:10 3G B Link? Rec.709"},
        {fake(0x89C98001,
              {3, static_cast<SdiDataRate>(9), 0, static_cast<SubImagePixelMappingFormat>(5), 0}),
         "0x0Error50 YCbCr:422:10 Error Error Link1 Rec.709"},
        {fake(0x89C98001, {4, Rate::Rate3G, 2, SubImagePixelMappingFormat::SquareDivision, 2}),
         "0x0i50 YCbCr:422:10 QL 3G Error SqDv Link1 Rec.709"},
    };
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(id->toHumanReadable(false).toStdString(), expected);
    }
}

TEST(SdiUtility, PictureRateTextIsFrameOrFieldRate) {
    struct Case {
        int rate;
        PictureFormat format;
        const char* expected;
    };
    const auto p = PictureFormat::Progressive;
    const auto i = PictureFormat::Interlaced;
    const Case cases[] = {{10, i, "119.88"}, {10, p, "59.94"},  {0, p, "NoRate"}, {1, i, "RsvRate"},
                          {2, p, "23.98"},   {2, i, "47.95"},   {4, i, "95.90"},  {5, i, "50"},
                          {6, p, "29.97"},   {14, p, "119.88"}, {15, i, "240"},   {12, i, "192"},
                          {16, p, ""},       {-1, i, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(
            SdiUtility::convertPictureRateToString(static_cast<PictureRate>(c.rate), c.format),
            c.expected);
    }
}

// The reserved bits ("byte.bit") left over when all 24 lower bits are set.
// Links, rates, level and sub-images of each class are columns of the
// standard table in standard_test.cpp, which has a row for every class.
const std::map<int, const char*> reservedBits = {
    {0x84, "0.1 0.2 0.3 0.5 0.6 0.7 1.6 1.7 2.7"},
    {0x88, "0.2 0.3 0.5 0.6 0.7"},
    {0x85, "0.2 0.3 0.5 0.6 0.7"},
    {0x89, "0.2 0.3 0.5 0.6 0.7"},
    {0x8A, "0.2 0.3 0.5 0.7"},
    {0x97, "0.3 0.5"},
    {0x98, "0.3"},
    {0xC0, "0.3"},
    {0xC2, "0.3"},
    {0xCE, "0.3"},
};

// The factory has a class for the ten codes and for no other.
TEST(PayloadIdentifierInterfaces, EachCodeHasItsClassAndReservedBits) {
    for (std::uint32_t code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const auto p = PayloadIdentifierFactory::create((code << 24) | 0x00FFFFFF);
        const auto expected = reservedBits.find(int(code));
        ASSERT_EQ(p != nullptr, expected != reservedBits.end());
        if (p == nullptr) {
            continue;
        }
        EXPECT_TRUE(p->hasCorrectpayloadAndDigitalInterface());
        EXPECT_EQ(joined(p->doReservedBitsChecks()), reservedReport(expected->second));
        EXPECT_TRUE(p->checkThatPayloadIdentifierFieldsDoNotOverlap());
    }
}

template <typename... Field>
std::array<int, sizeof...(Field)> asInts(Field... fields) {
    return {static_cast<int>(fields)...};
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
        SCOPED_TRACE(testing::Message() << std::hex << word);
        const auto p = identifier(word);
        EXPECT_EQ(
            asInts(p->getPayloadAndDigitialInterface(), p->getSampleStructure(),
                   p->getPictureRate(), p->getPictureInterlaced(), p->getTransportInterlaced(),
                   p->getBitDepth(), p->getAspectRatio(), p->getHorizontalArraySize(),
                   p->getColourimetry(), p->getTransferCharacteristics(),
                   p->getLuminanceAndColourDifferenceSignal(), p->getChannel(),
                   p->getAudioCopyStatus()),
            expected);
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
        // 720-line 4:2:2 on 1.5G and 4:4:4 on 3G, 1080p50 on 3G and level B
        // 2048 p60 are rows of the standard table in standard_test.cpp.
        {0x88DB8001, p, L750, 1280, 720, 1280, 720},
        {0x85473301, psf, I1125, 1920, 540, 1920, 1080},
        {0x85C74001, p, P1125, 2048, 1080, 2048, 1080},
        {0x89AA5912, i, I1125, 4096, 540, 2048, 1080},  // 4:4:4:4 12-bit
        {0x89C98101, p, P1125, 3840, 1080, 1920, 1080},
        // progressive 4:2:2 10-bit on two interlace-structured streams
        {0x8AC72101, p, P1125, 1920, 1080, 1920, 1080},
        {0x8A472101, psf, I1125, 1920, 540, 1920, 1080},
        {0x97C9A185, p, P1125, 3840, 1080, 3840, 2160},
        // active height follows the picture bit alone on the 2160-line level A classes
        {0x97490001, psf, I1125, 1920, 1080, 3840, 2160},
        {0x984AF0A1, p, I1125, 2048, 540, 4096, 2160},
        {0xC0935277, i, I1125, 4096, 540, 4096, 2160},
        {0xC0450001, psf, I1125, 1920, 1080, 3840, 2160},
    };
    const std::map<Lines, std::pair<std::vector<unsigned int>, std::vector<unsigned int>>>
        heightsAndFirstLines = {
            {L750, {{750}, {26}}}, {P1125, {{1125}, {42}}}, {I1125, {{563, 562}, {21, 584}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.word);
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
    // Valid words: 1080 3G A; 720 3G; 720 1.5G; 1080 1.5G psf 4:2:0 and i50;
    // level B 4:2:2 (stream 1 and 2, 2048 p48) and extended colour modes;
    // quad 3G A; quad 3G B, 6G (the 6G, dual 6G and 12G classes are one
    // template) check their code alone.
    const std::uint32_t valid[] = {0x89C98001, 0x88DB8201, 0x845B2011, 0x85473301, 0x85052001,
                                   0x8A4B0001, 0x8A4B0041, 0x8A484001, 0x8A420101, 0x8A070101,
                                   0x97C98001, 0x97C84001, 0x97C58101, 0x97E98001, 0x97C980C5,
                                   0x98000F00, 0xC0000F00};
    for (const std::uint32_t word : valid) {
        EXPECT_EQ(joined(identifier(word)->doSmpteValidationChecks()), "") << std::hex << word;
    }
    struct Case {
        std::uint32_t word;
        const char* expected;  // messages joined by '|'
        int code = -1;         // the class; by default the word's own
    };
    const Case cases[] = {
        // 1080 3G level A
        {0x85C98001, "Incorrect payload identifier: 133", 0x89},
        {0x89CC8001, "Invalid picture rate: 12"},
        {0x00C08B01,
         "Incorrect payload identifier: 0|Invalid picture rate: 0|Invalid sampling structure: 11",
         0x89},
        {0x88D18F01, "Invalid picture rate: 1|Invalid sampling structure: 15"},  // 720 3G
        // 720 1.5G
        {0x840B0001, "Invalid picture interlaced/progressive: 0"},
        {0x84480001, "Invalid picture rate: 8"},
        {0x844B0101, "Invalid sampling structure: 1"},
        // 1080 1.5G: p50, i24, 2048 p48, 2048i, 4:4:4, 12-bit
        {0x85490001, "Invalid picture rate: 9"},
        {0x85030001, "Invalid picture rate: 3"},
        {0x85484001, "Invalid picture rate: 8"},
        {0x85054001, "Invalid picture interlaced/progressive: 0"},
        {0x85470101, "Invalid sampling structure: 1"},
        {0x85470002, "Invalid bit depth: 2"},
        // 1080 level B, 4:2:2
        {0x8A450001, "Invalid picture rate for 1920 pixel 422: 5"},
        {0x8A410001, "Invalid picture rate: 1|Invalid picture rate for 1920 pixel 422: 1"},
        {0x8A4B0000, "Invalid bit depth: 0|Invalid bit depth for 422: 0"},
        {0x8A4B0002, "Invalid bit depth for 422: 2"},
        {0x8ACB0001, "Invalid transport interlace format for 422: 1"},
        {0x8A0B0001, "Invalid picture interlace format for 422: 0"},
        {0x8A474001, "Invalid picture rate for 2048 pixel 422: 7"},
        // 1080 level B, extended colour modes
        {0x8A054101, "Invalid picture interlace format for 2048 Extended colour modes: 0"},
        {0x8A090101, "Invalid picture rate for Interlaced 1920 pixel Extended colour modes: 9"},
        {0x8AC94101, "Invalid picture rate for Progressive 1920 pixel Extended colour modes: 9"},
        {0x8A4B0C01,
         "Invalid sampling structure: 12|"
         "Invalid picture rate for Progressive 1920 pixel Extended colour modes: 11"},
        // four 3G links, level A
        {0x97C98101, "Incorrect FrameRate for extended colour mode: 9"},
        {0x97C58001, "Incorrect FrameRate for 422/420-10: 5"},
        {0x97C88001, "Incorrect FrameRate for 3840x2160: 8"},
        {0x97C88101,
         "Incorrect FrameRate for 3840x2160: 8|Incorrect FrameRate for extended colour mode: 8"},
        {0x97CC8001, "Incorrect PictureRate: 12"},
        {0x97498001, "Incorrect TransportFormat: 0"},
        {0x97898001, "Incorrect PictureFormat: 0"},
        {0x97F98001, "Incorrect TransferCurve: 3"},
        {0x97C98045, "Incorrect AudioCopyStatus for channel 1 or 2: 1"},
        // the other 2160-line classes check only their code
        {0x97C98001, "Incorrect payload identifier: 151", 0x98},
        {0xC2C98001, "Incorrect payload identifier: 194", 0xC0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.word);
        EXPECT_EQ(joined(identifier(c.word, c.code)->doSmpteValidationChecks()), c.expected);
    }
}

TEST(PayloadIdentifierInterfaces, BuildersWriteEachFieldIntoItsBits) {
    using namespace Testing;
    const auto yc = L::YCbCr;
    EXPECT_EQ(PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
                  TF::Interlaced, PF::Progressive, R::Rate60, C::Rec2020, W::Pixels2048,
                  A::Ratio4x3, S::YCbCr422, Channel::Channel2, D::Bit10, T::SdrTv, yc),
              0x8A4BC041u);
    // One channel bit only: stream 3 is left out.
    EXPECT_EQ(PayloadIdentifier1080_Levelb3g::getPayloadIdentifierWord(
                  TF::Interlaced, PF::Progressive, R::Rate60, C::Rec2020, W::Pixels2048,
                  A::Ratio4x3, S::YCbCr422, Channel::Channel3, D::Bit10, T::SdrTv, yc),
              0x8A4BC001u);
    EXPECT_EQ(
        PayloadIdentifier2160_QuadLink3g::getPayloadIdentifierWord(
            TF::Progressive, PF::Progressive, R::Rate50, S::YCbCr444, C::Rec2020, A::Ratio16x9,
            W::Pixels1920, D::Bit10, Copy::Set, T::SdrTv, yc, Channel::Channel3),
        0x97C9A185u);
    EXPECT_EQ(
        PayloadIdentifier2160_QuadLinkLevelb3g::getPayloadIdentifierWord(
            TF::Interlaced, PF::Progressive, R::Rate60_1001, C::Unknown, S::YCbCr422, A::Ratio16x9,
            W::Pixels2048, D::Bit10, Copy::NotSet, Channel::Channel6, T::SdrTv, yc),
        0x984AF0A1u);
    // The 6G class template also builds the dual 6G and 12G words.
    EXPECT_EQ(
        PayloadIdentifier2160_6g::getPayloadIdentifierWord(
            TF::Progressive, PF::Interlaced, R::Rate24, S::Rgb444, C::ColVancPacket, A::Ratio4x3,
            W::Pixels2048, D::Bit12FullRange, Copy::Set, Channel::Channel4, T::Hlg, L::ICtCp),
        0xC0935277u);
    // Classes without a builder: their map decides what can be written; 720
    // on 1.5G has no transport bit to set.
    EXPECT_EQ(PayloadIdentifierBase::composePayloadIdentifierWord(
                  PayloadIdentifier720_1g5::createFieldMap(), 0x84,
                  {{FieldType::TransportInterlaced, 1},
                   {FieldType::PictureInterlaced, 1},
                   {FieldType::PictureRate, 11},
                   {FieldType::BitDepth, 2},
                   {FieldType::Colourimetry, 2}}),
              0x844B2000u);
}

}  // namespace
}  // namespace Corvane::Sdi
