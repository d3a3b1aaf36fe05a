#pragma once

// Raw flash partitions through the MTD character devices (/dev/mtdN): erase,
// copy between files, partitions and the standard streams, and writing the
// serial/MAC record. Writing to a partition erases the blocks it covers
// first. Messages go to stderr only when "noisy" is on; "progress" prints
// each new percentage on its own line for a supervising program.

#include <sys/ioctl.h>

#include <mtd/mtd-user.h>

#ifdef __cplusplus
extern "C" {
#endif

// The maker's IEEE organisationally unique identifier: the first three bytes
// of every MAC address setSerialAndMac() writes; the serial number's low 24
// bits make up the rest. It is the prefix the factory programs into the
// record, and the simulated board's default record carries it too.
#define FLASH_MAC_OUI_0 0x02
#define FLASH_MAC_OUI_1 0x00
#define FLASH_MAC_OUI_2 0x5E

// setSerialAndMac() builds the record in this file, copies it onto the
// partition and then leaves the marker behind.
#define FLASH_RECORD_TEMP_FILE "/var/volatile/tmps"
#define FLASH_NOSTART_MARKER "/nostart"

// Erasing the whole partition rather than the blocks covering a size.
#define FLASH_ERASE_ALL 0xFFFFFFFFu

void setNoisy(bool on);
// Also turns noisy off: the two outputs would garble each other.
void setProgress(bool on);

// Opens the device read-write with synchronous writes and, with info, reads
// its geometry (MEMGETINFO). The descriptor, or a negative value.
int open_mtd(const char* path, struct mtd_info_user* info);

// Erases the whole partition (FLASH_ERASE_ALL) or the blocks covering the
// first size bytes. 0, -1 when erasing failed, -2 when the device could not
// be opened.
int flashErase(const char* path, unsigned int size);

// Copies size bytes (negative: the whole source) between regular files,
// MTD devices and the standard streams (an empty name). 0, or
//   -1 no buffer, -2 source invalid or not openable, -3 destination invalid
//   or not openable, -4 size larger than the partition or a read error,
//   -5 erasing the destination failed or a write was short.
int flashCopy(const char* source, const char* destination, int size);
// What a negative flashCopy() code means, as a phrase.
const char* flashCopyFailure(int code);

// Erases blockCount blocks of eraseSize bytes from the start of an open
// device, announcing announcedBytes of work. 0 or -1.
int flash_erase_sectors(int descriptor, unsigned int announcedBytes, unsigned int eraseSize,
                        int blockCount);

// Writes a new serial/MAC record for serial onto SERIALMAC_DEVICE. 0 or -1.
int setSerialAndMac(unsigned int serial);
// After setSerialAndMac() failed: the step and its reason in one line, such
// as "cannot create /var/volatile/tmps: No such file or directory".
const char* setSerialAndMacFailure(void);

#ifdef __cplusplus
}
#endif
