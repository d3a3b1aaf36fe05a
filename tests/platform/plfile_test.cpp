// Bitstream headers in the vendor tools' layout and JEDEC fuse files, built
// here byte by byte, and every way they can be malformed.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform/bitfile.h"
#include "platform/jedfile.h"
#include "support/PlFiles.h"

using namespace Corvane::Testing;

namespace {

struct Parsed {
    int result;
    std::string out;
    std::string err;
};

// Runs a parser on bytes held in memory; the stream ends exactly where they
// do, so a parser reading past them would see the end of file.
Parsed parse(const std::string& bytes, const std::function<int(FILE*)>& parser) {
    FILE* stream = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    if (stream == nullptr) {
        ADD_FAILURE() << "fmemopen";
        return {};
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int result = parser(stream);
    std::fclose(stream);
    std::string out = testing::internal::GetCapturedStdout();
    return {result, out, testing::internal::GetCapturedStderr()};
}

// Each header's report, or the code of what is wrong with it.
TEST(Bitfile, ReportsTheHeaderOrTheCodeOfItsFault) {
    const std::string longest(14, 'x');  // 15 bytes with its NUL: the longest allowed
    const auto with = [](const std::function<void(BitHeader&)>& change) {
        BitHeader h;
        change(h);
        return h.bytes();
    };
    const auto design = [&with](const std::string& text) {
        return with([&text](BitHeader& h) { h.design = text; });
    };
    const std::string whole = BitHeader().bytes();
    const auto before = [&whole](const char* text) { return whole.substr(0, whole.find(text)); };
    const std::size_t designAt = 2 + 9 + 2 + 1 + 2;
    const int size = 0x01020304;  // a whole header's result
    const struct {
        const char* name;
        std::string bytes;
        int code;
        const char* version = nullptr;  // the report's version line; none: not checked
        bool report = true;             // false: the design text is not taken apart
    } cases[] = {
        {"vendor's header", whole, size, "1-2.3(dev)"},
        {"a released design", design("top;UserID=0X00A1FF07;Version=2019.2"), size, "161-255.7"},
        {"user id without 0X", design("top;UserID=7FFF0001;Version=2019.2"), size, "32767-0.1"},
        {"a field after the version", design("top;UserID=0X80010203;Version=2019.2;Extra=1"), size,
         "1-2.3(dev)"},
        {"longest date and time", with([&](BitHeader& h) { h.date = h.time = longest; }), size},
        {"empty file", "", -1},
        {"first length 8", with([](BitHeader& h) { h.firstLength = 8; }), -1},
        {"ends in the preamble", whole.substr(0, 6), -2},
        {"second length 2", with([](BitHeader& h) { h.secondLength = 2; }), -3},
        {"no key a", with([](BitHeader& h) { h.keys[0] = 'x'; }), -4},
        {"design longer than the file", whole.substr(0, designAt + 10), -5},
        {"design length 0xFFFF", whole.substr(0, designAt - 2) + be16(0xFFFF) + "top;", -5},
        {"no ; after the name", design("top"), -6},
        {"no UserID", design("top;A=1;B=2;Version=1"), -7},
        {"nothing after the user id", design("top;UserID=0X1"), -8},
        {"no Version", design("top;UserID=0X1;Vers=1"), -9},
        {"no field after the skipped one", design("top;A=1"), -19},
        {"no key b", with([](BitHeader& h) { h.keys[1] = 'a'; }), -10},
        {"part cut short", before("900"), -11},
        {"no key c", with([](BitHeader& h) { h.keys[2] = 'C'; }), -12},
        {"date of 16 bytes", with([&](BitHeader& h) { h.date = longest + "x"; }), -13},
        {"date cut short", before("03/01"), -14},
        {"no key d", with([](BitHeader& h) { h.keys[3] = 0; }), -15},
        {"time of 16 bytes", with([&](BitHeader& h) { h.time = longest + "x"; }), -16},
        {"time cut short", before("34:56"), -17},
        {"no key e", with([](BitHeader& h) { h.keys[4] = 'f'; }), -18},
        {"length cut short", whole.substr(0, whole.size() - 2), -18},
        {"no report", design("no fields at all"), size, nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Parsed p = parse(c.bytes, [&c](FILE* f) { return bitfileParseHeader(f, c.report); });
        EXPECT_EQ(p.result, c.code);
        EXPECT_TRUE(c.report || p.out.empty()) << p.out;
        if (c.version) {
            EXPECT_EQ(p.out, std::string("design: top\nversion: ") + c.version +
                                 "\nvivado: 2019.2\ndevice: 7k325tffg900\ndate: 2024/03/01\n"
                                 "time: 12:34:56\nsize: 16909060\n");
        }
    }
}

TEST(Jedfile, ReportsTheFileOrTheFault) {
    const auto dated = [](const char* date) {
        return std::string("\x02*\nNOTE DATE CREATED: ") + date + " *\n";
    };
    const struct {
        const char* name;
        std::string bytes;
        int sizeOnly;
        int result;
        const char* out;
        const char* err;
    } cases[] = {
        {"the vendor's file", jedFile, 0, 3 * 16,
         "diamond: (64-bit) 3.12.0.240.2 \ndate: 2024/3/1\ntime: 12:34:56\ndesign: cpld_top.ncd\n"
         "device: LCMXO2-1200HC-4TG144C\nsize: 48\nusercode: 00 00 01 23\n"
         "featurerow: 80 00 00 00 00 00 00 01\nfeaturebits: C0 00\n",
         ""},
        // Size only: at the fuse list, the fuse count in bytes, and no notes.
        {"size only", jedFile, 1, 154, "", ""},
        // The end of the configuration data hides the size line, not the result.
        {"configuration ended", "\x02*\nNOTE END CONFIG DATA*\n" + jedFuses, 0, 48, "", ""},
        {"date", dated("Tue Dec 31 23:59:01 2019"), 0, 0, "date: 2019/12/31\ntime: 23:59:01\n", ""},
        {"unknown month", dated("Sun Foo  7  1:02:03 2021"), 0, 0,
         "date: 2021/13/7\ntime:  1:02:03\n", ""},
        {"date cut short", dated("Mon Jan xx"), 0, 0, "", "date parse failed 2 : \"Mon Jan xx\"\n"},
        {"overlong note", "\x02*\nNOTE " + std::string(5000, 'x') + "\n", 0, 0, "", ""},
        {"no STX", "*\n" + jedNotes, 0, -1, "", "No STX at start\n"},
        {"empty file", "", 0, -1, "", "No STX at start\n"},
        {"nothing after STX", "\x02", 0, -5, "", ""},
        {"no * after STX", "\x02QF1*\n", 0, -2, "", ""},
        {"ETX without checksum", "\x02*\n\x03zz\n", 0, -3, "", ""},
        {"letter past U", "\x02*\nZ1*\n", 0, -4, "", "unexpected line: Z\n"},
        {"unknown letter", "\x02*\nB1*\n", 0, -4, "", "unexpected line: B\n"},
        {"blank line", "\x02*\n\n", 0, -4, "", "unexpected line: \n\n"},
        {"checksum not hex", "\x02*\nCxyz*\n", 0, -6, "", ""},
        {"fuse count not a number", "\x02*\nQFx*\n", 0, -6, "", ""},
        {"fuse address not a number", "\x02*\nLx\n", 0, -6, "", ""},
        {"fuse list without its end", "\x02*\nL0\n0101\n", 0, -5, "", ""},
        {"feature row without its bits", "\x02*\nE0101\n", 0, -5,
         "featurerow: 00 00 00 00 00 00 00 00\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Parsed p = parse(c.bytes, [&c](FILE* f) { return jedParseHeader(f, c.sizeOnly); });
        EXPECT_EQ(p.result, c.result);
        EXPECT_EQ(p.out, c.out);
        EXPECT_EQ(p.err, c.err);
    }
}

TEST(Jedfile, FuseRowsAsBinary) {
    const struct {
        int rowBits;
        std::string rows;  // the dump's bytes
        int result;
        std::string file = jedFile;
    } cases[] = {
        // 12 bits: one byte and the four bits left in the top of the next.
        {12, std::string("\xAA\xC0\xF0\xF0\x17\x00", 6), 3},
        // Backwards, the third row meets its 'x' in the first byte.
        {-12, std::string("\x35\x50\xF0\xF0\x00\x00", 6), 3},
        {8, std::string("\xAA\xF0\x17", 3), 3},
        {200, "", -22},
        {0, "", -22},
        {4, "\x50\xF0", -5, "\x02*\nL0\n0101\n1111\n"},  // the list never ends
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rowBits);
        std::string dump;
        const Parsed p = parse(c.file, [&](FILE* f) {
            if (jedParseHeader(f, 1) < 0) {
                return -100;
            }
            char* buffer = nullptr;
            std::size_t length = 0;
            FILE* out = open_memstream(&buffer, &length);
            const int rows = jedDumpBinaryFuseData(f, c.rowBits, out);
            std::fclose(out);
            dump.assign(buffer, length);
            std::free(buffer);
            return rows;
        });
        EXPECT_EQ(p.result, c.result);
        EXPECT_EQ(dump, c.rows);
    }
}

}  // namespace
