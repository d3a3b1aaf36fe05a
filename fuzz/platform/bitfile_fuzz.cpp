// Feeds arbitrary bytes to the bitstream header parser, with and without
// the report: whatever the lengths claim, it must stay inside the input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "platform/bitfile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The report is not what is checked here; printing it would only slow
    // every run down.
    std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const bool report : {false, true}) {
        FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        if (stream == nullptr) {
            return 0;  // fmemopen refuses an empty buffer on some C libraries
        }
        bitfileParseHeader(stream, report);
        std::fclose(stream);
    }
    return 0;
}
