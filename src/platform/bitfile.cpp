#include "platform/bitfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A text field: the length (at most 65535, so the buffer is bounded), then
// that many bytes, kept NUL-terminated whatever the file holds.
struct Text {
    std::unique_ptr<char[]> bytes;
    bool complete = false;
    const char* c_str() const { return bytes.get(); }
};

Text readText(FILE* stream, unsigned int length) {
    Text text;
    text.bytes.reset(new char[length + 1]);
    text.complete = std::fread(text.bytes.get(), 1, length, stream) == length;
    text.bytes[length] = '\0';
    return text;
}

// A length and its text: 0, tooLong when the length is limit or more, or
// cutShort when the file ends inside the text.
int readField(FILE* stream, unsigned int limit, int tooLong, int cutShort, Text& text) {
    const unsigned int length = readTwoBytes(stream);
    if (length >= limit) {
        return tooLong;
    }
    text = readText(stream, length);
    return text.complete ? 0 : cutShort;
}

bool key(FILE* stream, char expected) {
    return std::fgetc(stream) == expected;
}

// The design text "name;[field;]UserID=0X...;Version=...": prints what it
// holds, or returns the code of what is missing.
int reportDesign(const char* text) {
    const char* semicolon = std::strchr(text, ';');
    if (semicolon == nullptr) {
        std::printf("design: %s\n", text);
        return -6;
    }
    std::printf("design: %.*s\n", static_cast<int>(semicolon - text), text);
    const char* field = semicolon + 1;
    if (std::strncmp(field, "UserID", 6) != 0) {
        semicolon = std::strchr(field, ';');
        if (semicolon == nullptr) {
            return -19;
        }
        field = semicolon + 1;
    }
    const char* value = nullptr;
    if (std::strncmp(field, "UserID=0X", 9) == 0) {
        value = field + 9;
    } else if (std::strncmp(field, "UserID=", 7) == 0) {
        value = field + 7;
    } else {
        return -7;
    }
    const std::uint32_t id = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 16));
    std::printf("version: %d-%d.%d%s\n", static_cast<int>((id >> 16) & 0x7FFF),
                static_cast<int>((id >> 8) & 0xFF), static_cast<int>(id & 0xFF),
                (id & 0x80000000u) ? "(dev)" : "");
    semicolon = std::strchr(field, ';');
    if (semicolon == nullptr) {
        return -8;
    }
    field = semicolon + 1;
    if (std::strncmp(field, "Version=", 8) != 0) {
        return -9;
    }
    const char* version = field + 8;
    std::printf("vivado: %.*s\n", static_cast<int>(std::strcspn(version, ";")), version);
    return 0;
}

}  // namespace

extern "C" {

int skipBytes(FILE* stream, int count) {
    for (int i = 0; i < count; ++i) {
        if (std::fgetc(stream) == EOF) {
            return 1;
        }
    }
    return 0;
}

unsigned int readTwoBytes(FILE* stream) {
    const unsigned int high = static_cast<unsigned int>(std::fgetc(stream)) & 0xFF;
    const unsigned int low = static_cast<unsigned int>(std::fgetc(stream)) & 0xFF;
    return (high << 8) | low;
}

int readFourBytes(FILE* stream) {
    const std::uint32_t high = readTwoBytes(stream);
    return static_cast<int>((high << 16) | readTwoBytes(stream));
}

int bitfileParseHeader(FILE* stream, bool report) {
    if (stream == nullptr) {
        return -22;
    }
    if (readTwoBytes(stream) != 9) {
        return -1;
    }
    if (skipBytes(stream, 9) != 0) {
        return -2;
    }
    if (readTwoBytes(stream) != 1) {
        return -3;
    }
    if (!key(stream, 'a')) {
        return -4;
    }
    // Date and time are short texts; a long one means a damaged header.
    constexpr unsigned int anyLength = 0x10000;
    Text design, part, date, time;
    if (const int failed = readField(stream, anyLength, 0, -5, design); failed != 0) {
        return failed;
    }
    if (report) {
        if (const int failed = reportDesign(design.c_str()); failed != 0) {
            return failed;
        }
    }
    if (!key(stream, 'b')) {
        return -10;
    }
    if (const int failed = readField(stream, anyLength, 0, -11, part); failed != 0) {
        return failed;
    }
    if (!key(stream, 'c')) {
        return -12;
    }
    if (const int failed = readField(stream, 16, -13, -14, date); failed != 0) {
        return failed;
    }
    if (!key(stream, 'd')) {
        return -15;
    }
    if (const int failed = readField(stream, 16, -16, -17, time); failed != 0) {
        return failed;
    }
    if (!key(stream, 'e')) {
        return -18;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(readFourBytes(stream));
    if (std::feof(stream)) {
        return -18;
    }
    if (report) {
        std::printf("device: %s\n", part.c_str());
        std::printf("date: %s\n", date.c_str());
        std::printf("time: %s\n", time.c_str());
        std::printf("size: %zu\n", static_cast<std::size_t>(size));
    }
    return static_cast<int>(size);
}

}  // extern "C"
