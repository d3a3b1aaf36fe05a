#pragma once

// The unit's serial number and MAC address, a record at the start of the
// flash partition /dev/mtd8:
//   0  "mac: "       5 bytes
//   5  MAC           6 raw bytes, first octet first
//   11 "\nserial: "  9 bytes
//   20 serial        6 decimal digits, zero-padded

#ifdef __cplusplus
extern "C" {
#endif

#define SERIALMAC_DEVICE "/dev/mtd8"
#define SERIALMAC_RECORD_BYTES 26

// 0 and the six MAC bytes, -1 without a valid record, -22 for a null pointer.
int getMac(unsigned char mac[6]);
// 0 and the serial number, -1 without a valid record (with *serial left
// at 0), -22 for a null pointer.
int getSerial(unsigned int* serial);

#ifdef __cplusplus
}
#endif
