// Arbitrary bytes from a client: the packet parser and the decoder must
// neither crash nor disagree with the encoder about what they decoded.
#include <type_traits>

#include "FuzzSupport.h"
#include "axi/AxiNetworkUtil.h"

using namespace Corvane;

CORVANE_FUZZ_USAGE(
    "Feeds arbitrary client bytes, cut into segments, to the register\n"
    "protocol's packet parser (as the tools use it) and decoder.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AxiPacketParser parser;
    // The first byte chooses how the stream is cut into segments.
    const size_t step = size > 0 ? (data[0] % 7) + 1 : 1;
    for (size_t at = 0; at < size; at += step) {
        const size_t n = at + step <= size ? step : size - at;
        parser.append(QByteArray(reinterpret_cast<const char*>(data + at), static_cast<int>(n)));
        while (auto words = parser.next()) {
            std::visit(
                [&](const auto& t) {
                    using T = std::decay_t<decltype(t)>;
                    if constexpr (std::is_base_of_v<AxiNetworkTransaction, T>) {
                        const auto encoded = AxiNetworkUtil::encodeTransaction(t);
                        for (size_t i = 0; i < encoded.size(); ++i) {
                            if (encoded[i] != (*words)[i]) {
                                Fuzz::fail("a decoded transaction encodes to other words");
                            }
                        }
                    }
                },
                AxiNetworkUtil::decodeWords(*words));
        }
    }
    return 0;
}
