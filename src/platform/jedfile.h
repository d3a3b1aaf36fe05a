#pragma once

// JEDEC fuse files (JESD3) of the board's CPLD as the vendor's design tool
// writes them: STX, notes with design, device, tool and date, the fuse count
// (QF), the fuse list (L ... up to a "*" line), checksum, user code (U),
// feature row (E) and ETX with the transmission checksum.

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

// The longest line the parsers look at; characters beyond it are dropped.
#define JED_MAX_LINE 139

// Walks the file from its start. With sizeOnly it stops at the first fuse
// list and returns the fuse count / 8 (the fuse data in bytes), printing
// nothing of the notes; otherwise it prints the report to stdout and at end
// of file returns the last fuse block's line count x 16. Negative codes:
//   -1 no STX first ("No STX at start" on stderr)    -2 no "*" after it
//   -3 ETX without a checksum    -4 a line no field letter starts
//   -5 the file ends inside a fuse list, or right after STX or a feature row
//   -6 a C, QF or L field without its number
int jedParseHeader(FILE* stream, int sizeOnly);
// What a negative jedParseHeader() code means, as a phrase.
const char* jedParseHeaderFailure(int code);

// From the current position (the first fuse row), packs each row of
// |rowBits| '0'/'1' characters into (|rowBits| + 7) / 8 bytes, first
// character of each eight as the most significant bit, and writes them to
// out; a negative rowBits reads each row backwards from character |rowBits|.
// When the row's bits do not fill the last byte, the remaining bits go in
// its top, in the same order, and the low bits are 0: the row is then one
// unbroken MSB-first bit string, as a programmer shifting it out expects,
// and the padding is where nothing is shifted out.
// Returns the number of rows, up to the "*" line that ends the list; -5 when
// the file ends first or out cannot be written, -22 without a stream or with
// rowBits 0 or beyond JED_MAX_LINE.
int jedDumpBinaryFuseData(FILE* stream, int rowBits, FILE* out);

#ifdef __cplusplus
}
#endif
