#include "platform/flash.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/serialmac.h"

namespace {

// Set once by the calling tool; the counters add up over the process's life.
bool noisy = false;
bool progress = false;
std::uint32_t totalBytesToProcess = 0;
std::uint32_t bytesProcessed = 0;
unsigned long lastPercent = 0;

constexpr std::size_t copyChunk = 4096;

// Every message of this module except the perror ones.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    if (!noisy) {
        return;
    }
    const int error = errno;  // callers still report the failure's reason
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
    errno = error;
}

// "<what> <name><tail>", then the reason's line.
void sayReason(const char* what, const char* name, int error, const char* tail = "") {
    say("%s %s%s\n", what, name, tail);
    say("Reason: %s\n", std::strerror(error));
}

void announce(std::uint32_t bytes) {
    totalBytesToProcess += bytes;
}

void advance(std::uint32_t bytes) {
    bytesProcessed += bytes;
    if (totalBytesToProcess == 0) {
        return;
    }
    const std::uint64_t total = totalBytesToProcess;
    const unsigned long percent =
        static_cast<unsigned long>((std::uint64_t{bytesProcessed} * 100 + total / 2) / total);
    if (percent == 0 || percent == lastPercent) {
        return;
    }
    lastPercent = percent;
    if (noisy) {
        std::fputs("\b\b\b", stderr);
    }
    if (progress || noisy) {
        std::fprintf(stderr, "%03lu", percent);
    }
    if (progress) {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

// Blocks needed to cover size bytes; 0 for a geometry without an erase size.
unsigned int blocksCovering(std::uint64_t size, std::uint32_t eraseSize) {
    if (eraseSize == 0) {
        return 0;
    }
    const std::uint64_t blocks = (size + eraseSize - 1) / eraseSize;
    return blocks > INT_MAX ? INT_MAX : static_cast<unsigned int>(blocks);
}

// Reads until count bytes arrived or the input ended: a pipe may hand over
// less than was asked while more is on its way.
ssize_t readFully(int fd, unsigned char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool writeAll(int fd, const void* bytes, std::size_t count) {
    return ::write(fd, bytes, count) == static_cast<ssize_t>(count);
}

// One end of a copy: a regular file, an MTD device or a standard stream.
struct End {
    int fd = -1;
    bool mtd = false;
    bool standard = false;
    ~End() {
        if (fd >= 0 && !standard) {
            ::close(fd);
        }
    }
};

// Opens one end of a copy by what its name is: a standard stream (empty), a
// regular file, an MTD device (its geometry recorded) or, as the
// destination, a file that does not exist yet. False after saying why.
bool openEnd(const char* name, bool destination, End& end, mtd_info_user& geometry,
             bool& haveGeometry) {
    if (name == nullptr || name[0] == '\0') {
        end.fd = destination ? STDOUT_FILENO : STDIN_FILENO;
        end.standard = true;
        return true;
    }
    struct stat st {};
    const bool absent = ::stat(name, &st) != 0;
    if (absent && !(destination && errno == ENOENT)) {
        sayReason("Could not open", name, errno);
        return false;
    }
    if (absent || S_ISREG(st.st_mode)) {
        // A destination is not truncated: bytes of the file beyond the copy
        // stay.
        end.fd =
            destination ? ::open(name, O_RDWR | O_CREAT | O_SYNC, 0644) : ::open(name, O_RDONLY);
    } else if (S_ISCHR(st.st_mode)) {
        end.mtd = true;
        end.fd = open_mtd(name, &geometry);
        haveGeometry = end.fd >= 0;
    } else {
        say("Could not open %s\n", name);
        say("Reason: Invalid %s\n", destination ? "destination" : "source");
        return false;
    }
    if (end.fd < 0) {
        sayReason("Could not open", name, errno);
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

void setNoisy(bool on) {
    noisy = on;
}

void setProgress(bool on) {
    progress = on;
    noisy = false;
}

int open_mtd(const char* path, struct mtd_info_user* info) {
    const int fd = ::open(path, O_RDWR | O_SYNC);
    if (fd < 0) {
        const int error = errno;
        say("Failed to open %s\n", path);
        say("Reason: %s\n", std::strerror(error));
        return -1;
    }
    if (info == nullptr) {
        return fd;
    }
    if (::ioctl(fd, MEMGETINFO, info) != 0) {
        const int error = errno;
        say("Failed to open %s\n", path);
        say("Reason: %s\n", std::strerror(error));
        ::close(fd);
        return -1;
    }
    say("MTD type: %u\n", static_cast<unsigned int>(info->type));
    say("MTD total size : %u bytes\n", info->size);
    say("MTD write size : %u bytes\n", info->writesize);
    say("MTD erase size : %u bytes\n", info->erasesize);
    say("MTD overhead / block : %u bytes\n", info->oobsize);
    say("MTD Flags : 0x%08X\n", info->flags);
    return fd;
}

int flash_erase_sectors(int descriptor, unsigned int announcedBytes, unsigned int eraseSize,
                        int blockCount) {
    announce(announcedBytes);
    say("Erase in progress: ...");
    for (int block = 0; block < blockCount; ++block) {
        const std::uint64_t start = std::uint64_t{eraseSize} * static_cast<unsigned int>(block);
        erase_info_user erase{};
        erase.start = static_cast<std::uint32_t>(start);
        erase.length = eraseSize;
        // A block past 4 GiB cannot be named in the 32-bit request.
        if (start > UINT32_MAX) {
            errno = EINVAL;
            std::perror("ERASE IOCTL failed\n");
            return -1;
        }
        ::ioctl(descriptor, MEMUNLOCK, &erase);  // NOR parts that never lock refuse it
        if (::ioctl(descriptor, MEMERASE, &erase) != 0) {
            std::perror("ERASE IOCTL failed\n");
            return -1;
        }
        advance(eraseSize);
    }
    say("\n");
    return 0;
}

int flashErase(const char* path, unsigned int size) {
    mtd_info_user info{};
    const int fd = open_mtd(path, &info);
    if (fd < 0) {
        say("Could not open mtd device at %s for erasure\n", path);
        return -2;
    }
    int result = 0;
    if (size == FLASH_ERASE_ALL) {
        const unsigned int blocks = info.erasesize ? info.size / info.erasesize : 0;
        if (info.erasesize == 0 ||
            flash_erase_sectors(fd, info.size, info.erasesize, static_cast<int>(blocks)) != 0) {
            say("\nFailure to erase whole partition of flash\n");
            result = -1;
        } else {
            say("\nFlash erased successfully\n");
        }
    } else {
        if (size > info.size) {
            say("attempt to erase more than partition size \n");
        }
        const unsigned int blocks = blocksCovering(size, info.erasesize);
        result = info.erasesize == 0
                     ? -1
                     : flash_erase_sectors(fd, info.size, info.erasesize, static_cast<int>(blocks));
    }
    ::close(fd);
    return result;
}

int flashCopy(const char* source, const char* destination, int size) {
    unsigned char* buffer = static_cast<unsigned char*>(std::calloc(1, copyChunk));
    if (buffer == nullptr) {
        say("Could not get buffer\n");
        return -1;
    }
    struct Free {
        unsigned char* p;
        ~Free() { std::free(p); }
    } freeBuffer{buffer};

    // The geometry of the last MTD device opened bounds the copy; a copy
    // between regular files and streams has none and is bounded only by its
    // source (a negative size then means "to the end of the input").
    mtd_info_user geometry{};
    bool haveGeometry = false;
    End in;
    if (!openEnd(source, false, in, geometry, haveGeometry)) {
        return -2;
    }
    End out;
    if (!openEnd(destination, true, out, geometry, haveGeometry)) {
        return -3;
    }

    struct stat st {};
    bool toEndOfInput = false;
    std::int64_t count = size;
    if (count < 0) {
        if (in.standard || in.mtd) {
            count = geometry.size;
            toEndOfInput = !haveGeometry;
        } else if (::fstat(in.fd, &st) == 0) {
            count = st.st_size;
        }
    }
    if (haveGeometry && count > geometry.size) {
        say("Size requested is %zd bytes but mtd is only %u bytes\n", static_cast<ssize_t>(count),
            geometry.size);
        return -4;
    }
    if (count > INT_MAX) {
        say("Size requested is %zd bytes but at most %d can be copied\n",
            static_cast<ssize_t>(count), INT_MAX);
        return -4;
    }
    announce(static_cast<std::uint32_t>(count));
    say("%zd bytes to transfer\n", static_cast<ssize_t>(count));

    if (out.mtd) {
        const unsigned int blocks =
            blocksCovering(static_cast<std::uint64_t>(count), geometry.erasesize);
        if (geometry.erasesize == 0 ||
            flash_erase_sectors(out.fd, geometry.size, geometry.erasesize,
                                static_cast<int>(blocks)) != 0) {
            sayReason("Write failed, could not erase device", destination, errno, " first");
            return -5;
        }
    }

    say("Transfer in progress: ...");
    const char* inName = in.standard ? "stdin" : source;
    const char* outName = out.standard ? "stdout" : destination;
    std::int64_t done = 0;
    while (toEndOfInput || done < count) {
        const std::size_t chunk =
            toEndOfInput
                ? copyChunk
                : static_cast<std::size_t>(std::min<std::int64_t>(copyChunk, count - done));
        const ssize_t got = readFully(in.fd, buffer, chunk);
        if (got < 0) {
            sayReason("Could not read from", inName, errno);
            return -4;
        }
        if (toEndOfInput && got == 0) {
            break;
        }
        errno = 0;
        if (!writeAll(out.fd, buffer, static_cast<std::size_t>(got)) ||
            (!toEndOfInput && static_cast<std::size_t>(got) != chunk)) {
            // A source shorter than the size ends here too.
            sayReason("Could not write to", outName, errno);
            return -5;
        }
        done += got;
        advance(static_cast<std::uint32_t>(got));
        if (toEndOfInput && static_cast<std::size_t>(got) < chunk) {
            break;
        }
    }
    say("\n");
    say("Success! Copied %d bytes from %s to %s\n", static_cast<int>(done), inName, outName);
    return 0;
}

const char* flashCopyFailure(int code) {
    switch (code) {
        case -1:
            return "no buffer";
        case -2:
            return "the source is not a file, device or stream that can be opened";
        case -3:
            return "the destination is not a file, device or stream that can be opened";
        case -4:
            return "the size is larger than the partition, or reading failed";
        default:
            return "erasing the destination failed, or a write was short";
    }
}

namespace {

char serialFailure[160];

int serialStepFailed(const char* step, const char* reason) {
    std::snprintf(serialFailure, sizeof serialFailure, "%s: %s", step, reason);
    return -1;
}

}  // namespace

const char* setSerialAndMacFailure(void) {
    return serialFailure;
}

int setSerialAndMac(unsigned int serial) {
    serialFailure[0] = '\0';
    const int fd =
        ::open(FLASH_RECORD_TEMP_FILE, O_RDWR | O_CREAT | O_TRUNC | O_SYNC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        return serialStepFailed("cannot create " FLASH_RECORD_TEMP_FILE, std::strerror(errno));
    }
    const unsigned char mac[6] = {FLASH_MAC_OUI_0,
                                  FLASH_MAC_OUI_1,
                                  FLASH_MAC_OUI_2,
                                  static_cast<unsigned char>(serial >> 16),
                                  static_cast<unsigned char>(serial >> 8),
                                  static_cast<unsigned char>(serial)};
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06u", serial);
    // Only six digits fit the record: a larger number loses its tail.
    const bool written = writeAll(fd, "mac: ", 5) && writeAll(fd, mac, sizeof mac) &&
                         writeAll(fd, "\nserial: ", 9) && writeAll(fd, digits, 6);
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        return serialStepFailed("cannot write " FLASH_RECORD_TEMP_FILE, std::strerror(writeError));
    }
    errno = 0;
    const int copied = flashCopy(FLASH_RECORD_TEMP_FILE, SERIALMAC_DEVICE, -1);
    if (copied != 0) {
        return serialStepFailed("cannot copy " FLASH_RECORD_TEMP_FILE " onto " SERIALMAC_DEVICE,
                                errno != 0 ? std::strerror(errno) : flashCopyFailure(copied));
    }
    const int marker =
        ::open(FLASH_NOSTART_MARKER, O_RDWR | O_CREAT | O_TRUNC | O_SYNC, S_IRUSR | S_IWUSR);
    if (marker >= 0) {
        ::close(marker);
    }
    return 0;
}

}  // extern "C"
