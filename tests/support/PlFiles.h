#pragma once

// Programmable-logic files as the vendors' tools write them, built byte by
// byte: for the parsers' tests and for corvane-plinfo's.

#include <cstdint>
#include <string>

namespace Corvane::Testing {

inline std::string be16(unsigned int v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A bitstream header as the vendor's tools write it; texts carry their NUL.
struct BitHeader {
    unsigned int firstLength = 9;
    std::string preamble = std::string("\x0f\xf0\x0f\xf0\x0f\xf0\x0f\xf0\x00", 9);
    unsigned int secondLength = 1;
    std::string design = "top;COMPRESS=TRUE;UserID=0X80010203;Version=2019.2";
    std::string part = "7k325tffg900";
    std::string date = "2024/03/01";
    std::string time = "12:34:56";
    char keys[5] = {'a', 'b', 'c', 'd', 'e'};
    std::uint32_t size = 0x01020304;

    static std::string field(char key, const std::string& text) {
        return key + be16(static_cast<unsigned int>(text.size() + 1)) + text + '\0';
    }
    std::string bytes() const {
        return be16(firstLength) + preamble + be16(secondLength) + field(keys[0], design) +
               field(keys[1], part) + field(keys[2], date) + field(keys[3], time) + keys[4] +
               be16(size >> 16) + be16(size & 0xFFFF);
    }
};

// A JEDEC file as the CPLD vendor's tool writes it: three rows of 12 fuses.
inline const std::string jedNotes =
    "NOTE Diamond (64-bit) 3.12.0.240.2 JEDEC Compatible Fuse File.*\n"
    "NOTE DATE CREATED: Fri Mar 01 12:34:56 2024*\n"
    "NOTE DESIGN NAME: cpld_top.ncd*\n"
    "NOTE DEVICE NAME: LCMXO2-1200HC-4TG144C*\n"
    "QP144*\nQF1234*\nG0*\nF0*\n";
inline const std::string jedFuses = "L000000\n101010101100\n111100001111\n00010111x111\n*\n";
inline const std::string jedTail =
    "C1234*\nU00000000000000000000000100100011*\n"
    "E1000000000000000000000000000000000000000000000000000000000000001\n0000000000000011*\n"
    "\x03"
    "1234\n";
inline const std::string jedFile = "\x02*\n" + jedNotes + jedFuses + jedTail;

}  // namespace Corvane::Testing
