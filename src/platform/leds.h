#pragma once

// RGB status LED on three sysfs PWM chips (channel 0 of each).

#ifdef __cplusplus
extern "C" {
#endif

// Exports channel 0 of the three chips: 0 when all three succeeded, else -1.
int exportLED(void);
// Programs the three channels from the stored intensities (on) or zeroes them.
int setLEDStatus(bool on);
// Stores rgb[0..2] as red, green, blue intensities and programs the channels;
// 1 when exporting failed, else 0.
int setLED(const unsigned char rgb[3], bool on);

#ifdef __cplusplus
}
#endif
