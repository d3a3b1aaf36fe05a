// Feeds arbitrary bytes to the JEDEC parser in both modes and to the fuse
// row dump, with a row width taken from the first byte (negative: rows read
// backwards).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "platform/jedfile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reports are not what is checked here. (The complaints on stderr
    // share it with libFuzzer's own findings: -close_fd_mask=2 hides both.)
    std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const int rowBits = static_cast<int8_t>(data[0]);
    for (const int sizeOnly : {0, 1}) {
        FILE* stream = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb");
        if (stream == nullptr) {
            return 0;
        }
        if (jedParseHeader(stream, sizeOnly) >= 0 && sizeOnly) {
            jedDumpBinaryFuseData(stream, rowBits, stdout);
        }
        std::fclose(stream);
    }
    return 0;
}
