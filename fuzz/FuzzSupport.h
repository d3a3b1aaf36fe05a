#pragma once

// What the fuzz targets share: their --help and the JSON they are fed.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/JsonText.h"

// Present when a sanitizer runtime is linked in.
extern "C" void __sanitizer_report_error_summary(const char* summary) __attribute__((weak));

namespace Corvane::Fuzz {

// Answers --help with `usage` (libFuzzer's own options stay behind -help=1).
inline void answerHelp(int argc, char** argv, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: %s [libFuzzer options] [corpus directories]\n%s\n"
                "libFuzzer's own options: -help=1\n",
                argv[0], usage);
            std::exit(0);
        }
    }
}

// The libFuzzer set-up of a target that needs nothing but its --help.
#define CORVANE_FUZZ_USAGE(text)                                   \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { \
        Corvane::Fuzz::answerHelp(*argc, *argv, text);             \
        return 0;                                                  \
    }

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

// The input as a JSON document, read as the project reads JSON from outside;
// false for text that it refuses.
inline bool parseJson(const uint8_t* data, size_t size, QJsonDocument& document) {
    JsonParseResult parsed = Corvane::parseJson(bytes(data, size));
    document = parsed.document;
    return parsed.ok();
}

// An input whose first byte chooses a variant and whose rest is JSON text;
// false when there is no first byte or the text does not parse.
inline bool parseSelectorAndJson(const uint8_t* data, size_t size, uint8_t& selector,
                                 QJsonDocument& document) {
    if (size < 1) {
        return false;
    }
    selector = data[0];
    return parseJson(data + 1, size - 1, document);
}

// A broken invariant: libFuzzer keeps the input that did it. The text goes
// where the sanitizers report, which -close_fd_mask leaves open.
[[noreturn]] inline void fail(const char* what) {
    std::string line = std::string("fuzz invariant broken: ") + what;
    if (__sanitizer_report_error_summary != nullptr) {
        __sanitizer_report_error_summary(line.c_str());
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::abort();
}

}  // namespace Corvane::Fuzz
