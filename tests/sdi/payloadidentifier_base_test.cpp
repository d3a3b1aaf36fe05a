// Field encoding and the prepared layouts behind it, reserved-bit report,
// comparison and text form of the payload identifier base class.

#include "SdiTestSupport.h"
#include "sdi/SdiUtility.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

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
        {"nine bits: 1 refused",
         PayloadIdentifierField(3, {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3, Bit::Bit4,
                                    Bit::Bit5, Bit::Bit6, Bit::Bit7, Bit::Bit0}),
         0xFF, 1, false, 0xFF},
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

TEST(PayloadIdentifierLayout, AbsentAndUnusualKeys) {
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
    // Words built through the class layout and through a copy of its map agree.
    const std::initializer_list<std::pair<FieldType, int>> values = {
        {FieldType::PictureInterlaced, 1}, {FieldType::PictureRate, 11},
        {FieldType::Colourimetry, 2},      {FieldType::BitDepth, 1},
        {FieldType::Channel, 3},           {FieldType::TransportInterlaced, 1}};
    EXPECT_EQ(PayloadIdentifierBase::composePayloadIdentifierWord(
                  PayloadIdentifier720_1g5::fieldLayout(), 0x84, values),
              PayloadIdentifierBase::composePayloadIdentifierWord(
                  PayloadIdentifier720_1g5::FieldMap(PayloadIdentifier720_1g5::createFieldMap()),
                  0x84, values));

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
    // byte 4 bit 7 is reserved on a level A 1080-line link; byte 2 bit 0 is
    // belongs to the picture rate
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
    EXPECT_EQ(p.getFieldMap().size(), 7u);
    EXPECT_EQ(p.getPictureRate(), PictureRate::Rate50);
    EXPECT_EQ(p.getAspectRatio(), AspectRatio::Ratio16x9);
    EXPECT_EQ(p.getColourimetry(), Colourimetry::Rec709);
    EXPECT_EQ(p.getTransferCharacteristics(), TransferCurve::SdrTv);
    EXPECT_EQ(
        p.doReservedBitsChecks(),
        (QStringList{"Reserved bit not 0, Byte 0, Bit 4", "Reserved bit not 0, Byte 1, Bit 4",
                     "Reserved bit not 0, Byte 1, Bit 5", "Reserved bit not 0, Byte 1, Bit 6",
                     "Reserved bit not 0, Byte 2, Bit 4", "Reserved bit not 0, Byte 2, Bit 5"}));
    // the base describes no interface
    EXPECT_FALSE(p.hasCorrectpayloadAndDigitalInterface());
    EXPECT_EQ(p.doSmpteValidationChecks(),
              QStringList{"Error packet does not match any supported type"});
    EXPECT_EQ(p.getDataRatePerPhysicalConnection(), SdiDataRate::NoSignal);
    EXPECT_TRUE(p.getFieldHeights().empty());
}

TEST(PayloadIdentifierBase, OverlappingFieldsAreDetected) {
    PayloadIdentifierBase::FieldMap map{
        {FieldType::PictureRate, PayloadIdentifierBase::defaultPictureRateFieldDefinition()},
        {FieldType::TransferCharacteristics, PayloadIdentifierField(1, {Bit::Bit3, Bit::Bit4})},
    };
    EXPECT_FALSE(PayloadIdentifierBase(0, map).checkThatPayloadIdentifierFieldsDoNotOverlap());
    map[FieldType::TransferCharacteristics] =
        PayloadIdentifierBase::generalTransferCharacteristicsFieldDefinition();
    EXPECT_TRUE(PayloadIdentifierBase(0, map).checkThatPayloadIdentifierFieldsDoNotOverlap());
}

TEST(PayloadIdentifierBase, TwoSampleLocationsPerPixelDoubleTheLine) {
    struct Case {
        int sampling;
        int depth;
        unsigned int expected;
    };
    const Case cases[] = {{0, 1, 1920}, {3, 0, 1920}, {0, 2, 3840}, {3, 3, 3840},
                          {1, 1, 3840}, {4, 0, 3840}, {14, 1, 3840}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.sampling) + "/" + std::to_string(c.depth));
        const PayloadIdentifier1080_3g p(0x89C98000 | (c.sampling << 8) | c.depth);
        EXPECT_EQ(p.doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(1920), c.expected);
    }
}

TEST(PayloadIdentifierBase, VideoStandardComparisonIgnoresLinkFields) {
    struct Case {
        const char* name;
        std::uint32_t other;
        bool sameStandard;
        const char* noMatch;
    };
    // base: quad 3G, 50p 4:2:2 10-bit, link 1
    const std::uint32_t base = 0x97C98001;
    const Case cases[] = {
        {"other link", 0x97C980C1, true, nullptr},
        {"aspect ratio", 0x97C90001, true, nullptr},
        {"audio copy status", 0x97C98005, true, nullptr},
        {"sampling", 0x97C98101, false, "NO MATCH - getSampleStructure"},
        {"rate", 0x97CA8001, false, "NO MATCH - getFrameRate"},
        {"picture", 0x97898001, false, "NO MATCH - getPicutreInterlaced"},
        {"transport", 0x97498001, false, "NO MATCH - getTransportInterlaced"},
        {"depth", 0x97C98002, false, "NO MATCH - getBitDepth"},
        {"width", 0x97C9C001, false, "NO MATCH - getHorizontalArraySize"},
        {"colourimetry", 0x97C9A001, false, "NO MATCH - getColourimetry"},
        {"interface", 0x89C98001, false, "NO MATCH - getPayloadAndDigitialInterface"},
        {"transfer", 0x97D98001, false, "NO MATCH - getTransferCharacteristics"},
        {"luminance", 0x97C98011, false, "NO MATCH - getLuminanceAndColourDifferenceSignal"},
    };
    const PayloadIdentifier2160_QuadLink3g a(base);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PayloadIdentifier2160_QuadLink3g b(c.other);
        Corvane::Testing::LogCapture log(Corvane::Testing::LogCapture::levelAndText);
        EXPECT_EQ(a.compareForVideoStandard(b, false), c.sameStandard);
        EXPECT_TRUE(log.lines().empty());
        EXPECT_EQ(a.compareForVideoStandard(b, true), c.sameStandard);
        std::vector<std::string> expected = {"Comparing payload Identifiers...",
                                             a.toHumanReadable(false).toStdString(),
                                             b.toHumanReadable(false).toStdString()};
        if (c.noMatch != nullptr) {
            expected.push_back(c.noMatch);
        }
        expected.push_back(c.sameStandard ? "Comparable? true" : "Comparable? false");
        for (auto& line : expected) {
            line = "I " + line;
        }
        EXPECT_EQ(log.lines(), expected);
        EXPECT_TRUE(a != b);
    }
    EXPECT_TRUE(a == PayloadIdentifier2160_QuadLink3g(base));
}

// Exercises the text branches that no real interface reaches.
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
    struct Case {
        PayloadIdentifierPtr p;
        bool omitChannel;
        const char* expected;
    };
    const auto none = SubImagePixelMappingFormat::None;
    const auto fake = [](std::uint32_t word,
                         ConfigurableInterface::Config config) -> PayloadIdentifierPtr {
        return std::make_shared<ConfigurableInterface>(word, config);
    };
    const Case cases[] = {
        {identifier(0, 0x89), false, "No payload identifier"},
        {identifier(0x89C98001), false, "1920x1080p50 YCbCr:422:10 3G A Rec.709"},
        {identifier(0x97C98001), false, "3840x2160p50 YCbCr:422:10 QL 3G A 2-SI Link1 Rec.709"},
        {identifier(0x97C98001), true, "3840x2160p50 YCbCr:422:10 QL 3G A 2-SI Rec.709"},
        {identifier(0x984AF0A1), false,
         "4096x2160p59.94 YCbCr:422:10 QL 3G B 2-SI DS6_Link3 Unknown"},
        {identifier(0x8A4BC041), false, "2048x1080p60 YCbCr:422:10 3G B LinkB Rec.2020"},
        {identifier(0xC0935277), false,
         "4096x2160i48 RGB:444:12FR 6G 2-SI Link4 ICtCp HLG ColVancPacket"},
        {identifier(0xC2E6A021), false,
         "3840x2160p29.97 YCbCr:422:10 DL 6G 2-SI Link2 PQ Rec.2020"},
        {identifier(0xCEC5C0E2), false, "4096x2160p25 YCbCr:422:12 12G 2-SI Link8 Rec.709"},
        {identifier(0x85473301), false, "1920x1080psf30 YCbCr:420:10 1.5G ColVancPacket"},
        {identifier(0x845B2011), false, "1280x720p60 YCbCr:422:10 1.5G ICtCp HLG Rec.2020"},
        {identifier(0x89AA5912), false,
         "2048x1080i119.88 YCbCrD:4444:12 3G A ICtCp PQ ColVancPacket"},
        {identifier(0x88C70701), false, "1280x720p30 RESERVED:10 3G A Rec.709"},
        {fake(0x89C98021, {2, SdiDataRate::Rate1G5, 0, none, 3}), false,
         "0x0p50 YCbCr:422:10 DL 1.5G LinkB Rec.709"},
        {fake(0x89C98041, {2, SdiDataRate::Rate1G5, 0, none, 3}), false,
         "0x0p50 YCbCr:422:10 DL 1.5G Link? Rec.709"},
        {fake(0x89C98041, {1, SdiDataRate::Rate3G, 1, none, 3}), false,
         "0x0p50 YCbCr:422:10 3G B Link? Rec.709"},
        {fake(0x89C98001,
              {3, static_cast<SdiDataRate>(9), 0, static_cast<SubImagePixelMappingFormat>(5), 0}),
         false, "0x0Error50 YCbCr:422:10 Error Error Link1 Rec.709"},
        {fake(0x89C98001,
              {4, SdiDataRate::Rate3G, 2, SubImagePixelMappingFormat::SquareDivision, 2}),
         false, "0x0i50 YCbCr:422:10 QL 3G Error SqDv Link1 Rec.709"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.p->toHumanReadable(c.omitChannel).toStdString(), c.expected);
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

}  // namespace
}  // namespace Corvane::Sdi
