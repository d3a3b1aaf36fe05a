// Feeds arbitrary words to the payload identifier classes: each five-byte
// record picks an interface class and a word, and up to eight of them make a
// standard whose texts, timing and capture layout are all worked out.

#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/StandardFromPayloadIdentifier.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strcmp((*argv)[i], "--help") == 0) {
            std::printf(
                "usage: sdi_fuzz [libFuzzer options] [corpus directories]\n"
                "Decodes arbitrary payload identifier words through every interface class\n"
                "and builds standards of them. libFuzzer's own options: -help=1\n");
            std::exit(0);
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Corvane::Sdi;
    const auto& classes = PayloadIdentifierFactory::interfaces();
    StandardFromPayloadIdentifier::PayloadIdentifierList list;
    for (; size >= 5 && list.size() < 8; data += 5, size -= 5) {
        // Bit 7 of the selector keeps the word's own byte 1, so that words of
        // the wrong interface reach the classes too.
        const PayloadIdentifierInterface& chosen = classes[(data[0] & 0x7F) % classes.size()];
        std::uint32_t word = (std::uint32_t{data[1]} << 24) | (std::uint32_t{data[2]} << 16) |
                             (std::uint32_t{data[3]} << 8) | data[4];
        if ((data[0] & 0x80) == 0) {
            word = (word & 0x00FFFFFF) | (static_cast<std::uint32_t>(chosen.code) << 24);
        }
        const PayloadIdentifierPtr id = chosen.create(word);
        if (id->toHumanReadable(false).isEmpty() ||
            !id->checkThatPayloadIdentifierFieldsDoNotOverlap()) {
            __builtin_trap();  // every identifier has a text, and no class's fields overlap
        }
        id->doSmpteValidationChecks();
        id->doReservedBitsChecks();
        list.push_back(id);
    }
    const auto standard = StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier(list);
    if (standard) {
        standard->getStandardAsShortText();
        standard->getStandardAsReferenceString();
        standard->getTotalDataRate();
        standard->getSubImageFrameWidth();
        standard->getNumberOfConsecutive20BitActiveSamplesPerPhysicalLink();
        standard->getReconstructedPictureHorizontalblankingSize(false,
                                                                SubImagePixelMappingFormat::None);
        standard->getVirtualInterfaceMetrics();
        bool ok = false;
        standard->getTransmissionMetrics(ok);
    }
    return 0;
}
