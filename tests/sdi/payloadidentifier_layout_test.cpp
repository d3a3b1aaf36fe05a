// The prepared field layouts behind the payload identifier getters and word
// builders: their shift-and-mask shortcut must agree with the field
// definitions bit for bit, and the layouts must live as long as anything
// that reads through them.

#include "sdi/PayloadIdentifier1080_1g5.h"
#include "sdi/PayloadIdentifier1080_3g.h"
#include "sdi/PayloadIdentifier720_1g5.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

namespace Corvane::Sdi {
namespace {

using Bit = PayloadIdentifierField::Bit;
using FieldType = PayloadIdentifierBase::FieldType;
using FieldLayout = PayloadIdentifierBase::FieldLayout;

// Words that set, clear and alternate the bits of every byte.
const std::uint32_t sampleWords[] = {0x00000000, 0xFFFFFFFF, 0xA5A5A5A5, 0x5A5A5A5A,
                                     0x89C98001, 0x12345678, 0x80808080, 0x01010101};

// Every layout answer, for a field of each awkward shape, matches what the
// field definition itself computes.
TEST(PayloadIdentifierLayout, AgreesWithFieldDefinitions) {
    struct Case {
        const char* name;
        PayloadIdentifierField field;
    };
    const Case cases[] = {
        {"whole byte",
         {0,
          {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3, Bit::Bit4, Bit::Bit5, Bit::Bit6,
           Bit::Bit7}}},
        {"adjacent, mid byte", {2, {Bit::Bit4, Bit::Bit5}}},
        {"single top bit", {1, {Bit::Bit7}}},
        {"gap", {2, {Bit::Bit4, Bit::Bit7}}},
        {"descending", {3, {Bit::Bit1, Bit::Bit0}}},
        {"repeated bit", {3, {Bit::Bit4, Bit::Bit4}}},
        {"no bits", {3, {}}},
        {"byte outside word", {4, {Bit::Bit0, Bit::Bit1}}},
        {"bit outside byte", {2, {Bit::Bit6, Bit::Bit7, static_cast<Bit>(8)}}},
        {"nine bits",
         {1,
          {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3, Bit::Bit4, Bit::Bit5, Bit::Bit6, Bit::Bit7,
           Bit::Bit0}}},
    };
    const int values[] = {-1, 0, 1, 2, 3, 4, 200, 255, 256};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FieldLayout layout({{FieldType::Colourimetry, c.field}});
        EXPECT_TRUE(layout.hasField(FieldType::Colourimetry));
        EXPECT_EQ(layout.claimedBits(), c.field.wordMask());
        for (const std::uint32_t word : sampleWords) {
            SCOPED_TRACE(word);
            EXPECT_EQ(layout.read(FieldType::Colourimetry, word),
                      c.field.readValueFromPayloadIdentifierWord(word));
            for (const int value : values) {
                SCOPED_TRACE(value);
                std::uint32_t viaLayout = word;
                std::uint32_t viaField = word;
                EXPECT_EQ(layout.write(FieldType::Colourimetry, viaLayout, value),
                          c.field.applyValueToPayloadIdentifierWord(viaField, value));
                EXPECT_EQ(viaLayout, viaField);
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
    // A key beyond the getters' range is still a field of the map.
    EXPECT_TRUE(layout.hasField(unusual));
    EXPECT_EQ(layout.read(unusual, 0x00000040), 2u);
    EXPECT_TRUE(layout.write(unusual, word, 1));
    EXPECT_EQ(word, 0xFFFFFFBFu);
    EXPECT_EQ(layout.claimedBits(), 0x00030060u);
    // ...and its bits are not reserved.
    const PayloadIdentifierBase id(0x00000060, layout.fieldMap());
    EXPECT_TRUE(id.doReservedBitsChecks().isEmpty());
    EXPECT_TRUE(id.hasField(unusual));
}

TEST(PayloadIdentifierLayout, InterfaceClassesShareOneMap) {
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
}

TEST(PayloadIdentifierLayout, CopiesKeepAnOwnMapAlive) {
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

}  // namespace
}  // namespace Corvane::Sdi
