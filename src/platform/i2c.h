#pragma once

// Byte access to one device on a Linux I2C bus (/dev/i2c-N) through
// I2C_RDWR. The device's 7-bit address is set once for all calls.

#ifdef __cplusplus
extern "C" {
#endif

void i2cSetDeviceAddress(int address);
// One two-byte write message (reg, value). The request's result (the number
// of messages, or -1 with errno), -19 when bus or the address is negative.
int i2cWriteByte(int bus, unsigned char reg, unsigned char value);
// A one-byte write of reg, then a one-byte read into *value, in one request.
// Results as i2cWriteByte; -22 for a null value.
int i2cReadByte(int bus, unsigned char reg, unsigned char* value);

#ifdef __cplusplus
}
#endif
