#include "sdi/PayloadIdentifierFactory.h"

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

#include <array>
#include <memory>

namespace Corvane::Sdi {

namespace {

// The row of class C: its code is the one the class itself declares.
template <typename C>
PayloadIdentifierInterface row(const char* className, const char* description) {
    return {
        C::payloadAndDigitalInterface, className, description,
        [](std::uint32_t word) -> PayloadIdentifierPtr { return std::make_shared<const C>(word); }};
}

}  // namespace

const std::vector<PayloadIdentifierInterface>& PayloadIdentifierFactory::interfaces() {
    static const std::vector<PayloadIdentifierInterface> table = {
        row<PayloadIdentifier720_1g5>("PayloadIdentifier720_1g5", "720-line on one 1.5G link"),
        row<PayloadIdentifier1080_1g5>("PayloadIdentifier1080_1g5", "1080-line on one 1.5G link"),
        row<PayloadIdentifier720_3g>("PayloadIdentifier720_3g", "720-line on one 3G link, level A"),
        row<PayloadIdentifier1080_3g>("PayloadIdentifier1080_3g",
                                      "1080-line on one 3G link, level A"),
        row<PayloadIdentifier1080_Levelb3g>("PayloadIdentifier1080_Levelb3g",
                                            "1080-line on one 3G link, level B"),
        row<PayloadIdentifier2160_QuadLink3g>("PayloadIdentifier2160_QuadLink3g",
                                              "2160-line on four 3G links, level A"),
        row<PayloadIdentifier2160_QuadLinkLevelb3g>("PayloadIdentifier2160_QuadLinkLevelb3g",
                                                    "2160-line on four 3G links, level B"),
        row<PayloadIdentifier2160_6g>("PayloadIdentifier2160_6g", "2160-line on one 6G link"),
        row<PayloadIdentifier2160_DualLink6g>("PayloadIdentifier2160_DualLink6g",
                                              "2160-line on two 6G links"),
        row<PayloadIdentifier2160_12g>("PayloadIdentifier2160_12g", "2160-line on one 12G link"),
    };
    return table;
}

const PayloadIdentifierInterface* PayloadIdentifierFactory::findInterface(std::uint8_t code) {
    // Indexed by code, so that decoding a word costs no search.
    static const std::array<const PayloadIdentifierInterface*, 256> byCode = [] {
        std::array<const PayloadIdentifierInterface*, 256> index{};
        for (const PayloadIdentifierInterface& entry : interfaces()) {
            index[static_cast<std::size_t>(entry.code)] = &entry;
        }
        return index;
    }();
    return byCode[code];
}

PayloadIdentifierPtr PayloadIdentifierFactory::create(std::uint32_t word) {
    return create(word, static_cast<std::uint8_t>(word >> 24));
}

PayloadIdentifierPtr PayloadIdentifierFactory::create(std::uint32_t word, std::uint8_t code) {
    const PayloadIdentifierInterface* found = findInterface(code);
    return found == nullptr ? nullptr : found->create(word);
}

const char* PayloadIdentifierFactory::fieldTypeName(PayloadIdentifierBase::FieldType type) {
    static constexpr std::array<const char*, 13> names = {
        "PayloadAndDigitalInterface",
        "SampleStructure",
        "PictureRate",
        "PictureInterlaced",
        "TransportInterlaced",
        "BitDepth",
        "AspectRatio",
        "HorizontalArraySize",
        "Colourimetry",
        "TransferCharacteristics",
        "LuminanceAndColourDifferenceSignal",
        "Channel",
        "AudioCopyStatus",
    };
    static_assert(names.size() ==
                  static_cast<std::size_t>(PayloadIdentifierBase::FieldType::AudioCopyStatus) + 1);
    const auto index = static_cast<std::size_t>(type);
    return index < names.size() ? names[index] : "Unknown";
}

}  // namespace Corvane::Sdi
