// The bit engine: where a field's bits sit in the word and the layouts that read and write them.

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

namespace {

using Bit = PayloadIdentifierField::Bit;

// Word bit of bit position `bit` in byte index `byteIndex`; -1 when either
// lies outside the identifier.
int wordBit(std::int32_t byteIndex, Bit bit) {
    const int position = static_cast<int>(bit);
    if (byteIndex < 0 || byteIndex > 3 || position < 0 || position > 7) {
        return -1;
    }
    return (3 - byteIndex) * 8 + position;
}

}  // namespace

PayloadIdentifierField::PayloadIdentifierField(std::int32_t byteIndex_, std::vector<Bit> bits_)
    : byteIndex(byteIndex_), bits(std::move(bits_)) {}

bool PayloadIdentifierField::applyValueToPayloadIdentifierWord(std::uint32_t& word,
                                                               int value) const {
    if (value < 0) {
        return false;
    }
    const std::size_t n = bits.size();
    if (n >= 1 && n <= 8) {
        if (value > (1 << n) - 1) {
            return false;
        }
    } else if (value != 0) {
        return false;
    }
    std::uint32_t result = word;
    for (std::size_t i = 0; i < n; ++i) {
        const int target = wordBit(byteIndex, bits[i]);
        if (target < 0) {
            return false;  // a definition pointing outside the word writes nothing
        }
        const std::uint32_t mask = std::uint32_t{1} << target;
        // Value bits beyond bit 7 only exist for fields longer than eight
        // bits, which accept nothing but 0.
        const bool set = i < 31 && ((static_cast<unsigned int>(value) >> i) & 1U) != 0;
        result = set ? (result | mask) : (result & ~mask);
    }
    word = result;
    return true;
}

unsigned int PayloadIdentifierField::readValueFromPayloadIdentifierWord(std::uint32_t word) const {
    unsigned int value = 0;
    for (std::size_t i = 0; i < bits.size() && i < 8; ++i) {
        const int source = wordBit(byteIndex, bits[i]);
        if (source >= 0 && ((word >> source) & 1U) != 0) {
            value |= 1U << i;
        }
    }
    return value;
}

std::uint32_t PayloadIdentifierField::wordMask() const {
    std::uint32_t mask = 0;
    for (const Bit bit : bits) {
        const int position = wordBit(byteIndex, bit);
        if (position >= 0) {
            mask |= std::uint32_t{1} << position;
        }
    }
    return mask;
}

PayloadIdentifierBase::FieldLayout::FieldLayout(FieldMap fieldMap)
    : fieldMap_(std::move(fieldMap)) {
    for (const auto& [type, field] : fieldMap_) {
        claimedBits_ |= field.wordMask();
        const auto index = static_cast<std::size_t>(type);
        if (index < accessors_.size()) {
            accessors_[index] = makeAccessor(field);
        }
    }
}

PayloadIdentifierBase::FieldLayout::Accessor PayloadIdentifierBase::FieldLayout::makeAccessor(
    const PayloadIdentifierField& field) {
    Accessor accessor;
    accessor.field = &field;
    const std::size_t n = field.bits.size();
    if (n == 0) {
        return accessor;  // reads 0; writes go through the field
    }
    const int first = wordBit(field.byteIndex, field.bits[0]);
    bool adjacent = first >= 0 && n <= 8;
    for (std::size_t i = 1; adjacent && i < n; ++i) {
        adjacent = wordBit(field.byteIndex, field.bits[i]) == first + static_cast<int>(i);
    }
    accessor.simple = adjacent;
    if (adjacent) {
        accessor.shift = static_cast<std::uint8_t>(first);
        accessor.mask = (std::uint32_t{1} << n) - 1;
    }
    return accessor;
}

const PayloadIdentifierField* PayloadIdentifierBase::FieldLayout::find(FieldType type) const {
    const auto index = static_cast<std::size_t>(type);
    if (index < accessors_.size()) {
        return accessors_[index].field;
    }
    // A key no getter asks for: the map answers.
    const auto it = fieldMap_.find(type);
    return it == fieldMap_.end() ? nullptr : &it->second;
}

bool PayloadIdentifierBase::FieldLayout::hasField(FieldType type) const {
    return find(type) != nullptr;
}

unsigned int PayloadIdentifierBase::FieldLayout::readOther(FieldType type,
                                                           std::uint32_t word) const {
    const PayloadIdentifierField* field = find(type);
    return field == nullptr ? 0U : field->readValueFromPayloadIdentifierWord(word);
}

bool PayloadIdentifierBase::FieldLayout::write(FieldType type, std::uint32_t& word,
                                               int value) const {
    const auto index = static_cast<std::size_t>(type);
    if (index < accessors_.size() && accessors_[index].simple && accessors_[index].mask != 0) {
        const Accessor& a = accessors_[index];
        if (value < 0 || static_cast<std::uint32_t>(value) > a.mask) {
            return false;
        }
        word = (word & ~(a.mask << a.shift)) | (static_cast<std::uint32_t>(value) << a.shift);
        return true;
    }
    const PayloadIdentifierField* field = find(type);
    return field != nullptr && field->applyValueToPayloadIdentifierWord(word, value);
}

}  // namespace Corvane::Sdi
