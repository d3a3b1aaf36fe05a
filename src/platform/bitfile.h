#pragma once

// The header the FPGA vendor's tools put in front of a bitstream: design
// name with user id and tool version, device, date, time and the length of
// the bitstream that follows. Every field is a key byte and a big-endian
// length; the parser never trusts a length beyond what the file holds.

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

// Reads and discards count bytes; non-zero when the end of the file came
// first.
int skipBytes(FILE* stream, int count);
// Big-endian values; bytes missing at the end of the file read as 0xFF, so
// a truncated length never passes a check that wants a small value.
unsigned int readTwoBytes(FILE* stream);
int readFourBytes(FILE* stream);

// Checks the header from the stream's start and returns the bitstream length
// in bytes, or the code of the first failing check:
//   -1 first length not 9       -2 preamble cut short    -3 second length not 1
//   -4 no key "a"               -5 design text cut short -10 no key "b"
//   -11 part text cut short     -12 no key "c"           -13 date length 16 or more
//   -14 date text cut short     -15 no key "d"           -16 time length 16 or more
//   -17 time text cut short     -18 no key "e", or its length cut short
// With report it prints the fields to stdout; the design text is then taken
// apart too:
//   -6 no ";" after the design name   -19 no field after the one skipped
//   -7 no "UserID=" field             -8 nothing after the user id
//   -9 that field is not "Version="
// Lengths of 2 GiB or more come back negative.
int bitfileParseHeader(FILE* stream, bool report);

#ifdef __cplusplus
}
#endif
