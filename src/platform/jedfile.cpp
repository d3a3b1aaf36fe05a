#include "platform/jedfile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr char stx = 0x02;
constexpr char etx = 0x03;

// One line without its end, cut at JED_MAX_LINE characters (the rest of the
// line is read and dropped). False at end of file with nothing read.
struct Line {
    char text[JED_MAX_LINE + 1] = {};
    std::size_t length = 0;
    std::string_view view() const { return {text, length}; }
    bool startsWith(std::string_view prefix) const {
        return view().substr(0, prefix.size()) == prefix;
    }
};

bool readLine(FILE* stream, Line& line) {
    line.length = 0;
    int c = std::fgetc(stream);
    if (c == EOF) {
        return false;
    }
    for (; c != EOF && c != '\n'; c = std::fgetc(stream)) {
        if (line.length < JED_MAX_LINE) {
            line.text[line.length++] = static_cast<char>(c);
        }
    }
    line.text[line.length] = '\0';
    return true;
}

// Packs count '0'/'1' characters of chars into bytes, eight per byte, the
// k-th character read going to byte k / 8: as its bit 7 - k % 8 (msbFirst)
// or its bit k % 8. backwards reads from character count - 1 down to 0. The
// first character that is not a '0' or '1' (or is past the text) ends the
// conversion; the bytes completed before it stand, the others stay 0.
void packBits(std::string_view chars, int count, bool msbFirst, bool backwards,
              unsigned char* bytes) {
    const int byteCount = (count + 7) / 8;
    std::fill(bytes, bytes + byteCount, 0);
    unsigned int value = 0;
    for (int k = 0; k < count; ++k) {
        const std::size_t at = static_cast<std::size_t>(backwards ? count - 1 - k : k);
        const char c = at < chars.size() ? chars[at] : '\0';
        if (c != '0' && c != '1') {
            return;
        }
        const unsigned int bit = c == '1' ? 1 : 0;
        value |= bit << (msbFirst ? 7 - k % 8 : k % 8);
        if (k % 8 == 7 || k == count - 1) {
            bytes[k / 8] = static_cast<unsigned char>(value);
            value = 0;
        }
    }
}

void printBytes(const char* label, const unsigned char* bytes, int count, bool lastFirst) {
    std::printf("%s", label);
    for (int i = 0; i < count; ++i) {
        std::printf(" %02X", bytes[lastFirst ? count - 1 - i : i]);
    }
    std::printf("\n");
}

int monthNumber(const char* name) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(name, months[i]) == 0) {
            return i + 1;
        }
    }
    return 13;
}

const char* skipBlanks(const char* text) {
    while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    return text;
}

// The notes the report shows; text starts after "NOTE ".
void reportNote(const Line& line, const char* text) {
    if (std::strncmp(text, "DATE CREATED:", 13) == 0) {
        const char* date = skipBlanks(text + 13);
        char weekday[4] = {};
        char month[4] = {};
        int day = 0, hour = 0, minute = 0, second = 0, year = 0;
        const int fields = std::sscanf(date, "%3s %3s %2d %2d:%2d:%2d %4d", weekday, month, &day,
                                       &hour, &minute, &second, &year);
        if (fields != 7) {
            std::fprintf(stderr, "date parse failed %d : \"%s\"\n", std::max(fields, 0), date);
            return;
        }
        std::printf("date: %d/%d/%d\n", year, monthNumber(month), day);
        std::printf("time: %2d:%02d:%02d\n", hour, minute, second);
    } else if (std::strncmp(text, "DESIGN NAME:", 12) == 0) {
        std::printf("design: %s\n", skipBlanks(text + 12));
    } else if (std::strncmp(text, "DEVICE NAME:", 12) == 0) {
        std::printf("device: %s\n", skipBlanks(text + 12));
    } else if (std::strncmp(text, "Diamond", 7) == 0) {
        // "NOTE Diamond (64-bit) 3.12.0.240.2 JEDEC ...": the version text.
        const std::string_view rest = line.view().substr(std::min<std::size_t>(13, line.length));
        const std::size_t j = rest.find('J');
        const std::string_view version = rest.substr(0, j);
        std::printf("diamond: %.*s\n", static_cast<int>(version.size()), version.data());
    }
}

}  // namespace

extern "C" {

int jedParseHeader(FILE* stream, int sizeOnly) {
    if (stream == nullptr) {
        return -22;
    }
    if (std::fgetc(stream) != stx) {
        std::fprintf(stderr, "No STX at start\n");
        return -1;
    }
    Line line;
    if (!readLine(stream, line)) {
        return -5;
    }
    if (!line.startsWith("*")) {
        return -2;
    }
    bool configEnded = false;
    int fuseCount = 0;
    long lastBlockLines = 0;
    while (readLine(stream, line)) {
        // An empty line starts with its end, as the file has it.
        const char first = line.length > 0 ? line.text[0] : '\n';
        if (first == etx) {
            unsigned int checksum = 0;
            if (std::sscanf(line.text + 1, "%4x", &checksum) != 1) {
                return -3;
            }
            continue;
        }
        if (line.startsWith("NOTE")) {
            while (line.length > 0 &&
                   (line.text[line.length - 1] == '*' ||
                    std::isspace(static_cast<unsigned char>(line.text[line.length - 1])))) {
                line.text[--line.length] = '\0';
            }
            const char* text = line.text + std::min<std::size_t>(5, line.length);
            if (std::strncmp(text, "END CONFIG DATA", 15) == 0) {
                configEnded = true;
            } else if (!sizeOnly) {
                reportNote(line, text);
            }
            continue;
        }
        if (first < '0' || first > 'U') {
            std::fprintf(stderr, "unexpected line: %c\n", first);
            return -4;
        }
        switch (first) {
            case '0':
            case '1':
            case 'F':
            case 'G':
                break;
            case 'C': {
                unsigned int checksum = 0;
                if (std::sscanf(line.text + 1, "%4x", &checksum) != 1) {
                    return -6;
                }
                break;
            }
            case 'Q':
                if (line.text[1] == 'F' && std::sscanf(line.text + 2, "%d", &fuseCount) != 1) {
                    return -6;
                }
                break;
            case 'L': {
                int address = 0;
                if (std::sscanf(line.text + 1, "%d", &address) != 1) {
                    return -6;
                }
                if (sizeOnly) {
                    return fuseCount / 8;
                }
                long lines = 0;
                for (;;) {
                    if (!readLine(stream, line)) {
                        return -5;
                    }
                    if (line.startsWith("*")) {
                        break;
                    }
                    lines = std::min(lines + 1, static_cast<long>(INT_MAX / 16));
                }
                lastBlockLines = lines;
                if (!configEnded) {
                    std::printf("size: %d\n", static_cast<int>(lines * 16));
                }
                break;
            }
            case 'U': {
                unsigned char code[4];
                packBits(line.view().substr(1), 32, true, false, code);
                printBytes("usercode:", code, 4, false);
                break;
            }
            case 'E': {
                unsigned char row[8];
                packBits(line.view().substr(1), 64, false, false, row);
                printBytes("featurerow:", row, 8, true);
                if (!readLine(stream, line)) {
                    return -5;
                }
                unsigned char bits[2];
                packBits(line.view(), 16, false, false, bits);
                printBytes("featurebits:", bits, 2, true);
                break;
            }
            default:
                std::fprintf(stderr, "unexpected line: %c\n", first);
                return -4;
        }
    }
    return static_cast<int>(lastBlockLines * 16);
}

const char* jedParseHeaderFailure(int code) {
    switch (code) {
        case -1:
            return "no STX at the start: not a JEDEC file";
        case -2:
            return "no '*' after STX";
        case -3:
            return "ETX without a transmission checksum";
        case -4:
            return "a line that no JEDEC field starts";
        case -5:
            return "the file ends inside a field";
        default:
            return "a checksum, fuse count or fuse address without its number";
    }
}

int jedDumpBinaryFuseData(FILE* stream, int rowBits, FILE* out) {
    if (stream == nullptr || out == nullptr || rowBits == 0 || rowBits < -JED_MAX_LINE ||
        rowBits > JED_MAX_LINE) {
        return -22;
    }
    const int bits = rowBits < 0 ? -rowBits : rowBits;
    const int bytesPerRow = (bits + 7) / 8;
    unsigned char bytes[(JED_MAX_LINE + 7) / 8];
    Line line;
    int rows = 0;
    for (;;) {
        if (!readLine(stream, line)) {
            return -5;
        }
        if (line.startsWith("*")) {
            return rows;
        }
        packBits(line.view(), bits, true, rowBits < 0, bytes);
        if (std::fwrite(bytes, 1, static_cast<std::size_t>(bytesPerRow), out) !=
            static_cast<std::size_t>(bytesPerRow)) {
            return -5;
        }
        ++rows;
    }
}

}  // extern "C"
