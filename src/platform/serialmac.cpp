#include "platform/serialmac.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern "C" {

int getMac(unsigned char mac[6]) {
    if (mac == nullptr) {
        return -EINVAL;
    }
    const int fd = ::open(SERIALMAC_DEVICE, O_RDONLY);
    if (fd < 0) {
        return -1;
    }
    unsigned char record[11];
    const ssize_t n = ::read(fd, record, sizeof record);
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof record) || std::memcmp(record, "mac: ", 5) != 0) {
        return -1;
    }
    std::memcpy(mac, record + 5, 6);
    return 0;
}

int getSerial(unsigned int* serial) {
    if (serial == nullptr) {
        return -EINVAL;
    }
    const int fd = ::open(SERIALMAC_DEVICE, O_RDONLY);
    if (fd < 0) {
        return -1;
    }
    *serial = 0;
    char field[14];
    ssize_t n = -1;
    if (::lseek(fd, 12, SEEK_SET) == 12) {
        n = ::read(fd, field, sizeof field);
    }
    ::close(fd);
    // cppcheck-suppress legacyUninitvar ; read only once n says the whole field arrived
    if (n != static_cast<ssize_t>(sizeof field) || std::memcmp(field, "serial: ", 8) != 0) {
        return -1;
    }
    // Six digits exactly: anything else (erased flash, a torn write) is not
    // a serial number.
    unsigned int value = 0;
    for (int i = 8; i < 14; ++i) {
        if (field[i] < '0' || field[i] > '9') {
            return -1;
        }
        value = value * 10 + static_cast<unsigned int>(field[i] - '0');
    }
    *serial = value;
    return 0;
}

}  // extern "C"
