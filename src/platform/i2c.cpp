#include "platform/i2c.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace {

int device_address = -1;

int transfer(int bus, i2c_msg* messages, unsigned int count) {
    if (bus < 0 || device_address < 0) {
        return -ENODEV;
    }
    i2c_rdwr_ioctl_data request{messages, count};
    return ::ioctl(bus, I2C_RDWR, &request);
}

}  // namespace

extern "C" {

void i2cSetDeviceAddress(int address) {
    device_address = address;
}

int i2cWriteByte(int bus, unsigned char reg, unsigned char value) {
    unsigned char bytes[2] = {reg, value};
    i2c_msg message{static_cast<__u16>(device_address), 0, 2, bytes};
    return transfer(bus, &message, 1);
}

int i2cReadByte(int bus, unsigned char reg, unsigned char* value) {
    if (value == nullptr) {
        return -EINVAL;
    }
    i2c_msg messages[2] = {
        {static_cast<__u16>(device_address), 0, 1, &reg},
        {static_cast<__u16>(device_address), I2C_M_RD, 1, value},
    };
    return transfer(bus, messages, 2);
}

}  // extern "C"
