#pragma once

// The controller's HDMI transmitter (ADV7511 family, 0x39 on /dev/i2c-3):
// programmed at start and again whenever its interrupt line
// (/sys/class/gpio/gpio63/value, configured for edges elsewhere) reports a
// display plugged in or sensed.

#ifdef __cplusplus
extern "C" {
#endif

// The transmitter's bus and its interrupt line's value file.
extern const char hdmiBusPath[];
extern const char hdmiInterruptPath[];

// Installs the SIGINT and SIGHUP handlers, opens the bus and programs the
// transmitter; returns the bus descriptor. Aborts when the bus cannot be
// opened.
int initHDMI(void);
// Writes the configuration sequence; the last write's result.
int reconfigure(int bus);
// Register 0x42: *hotPlug = bit 6 (0 or 0x40), *monitorSense = bit 5 (0 or
// 0x20); the read's result. Aborts on a null pointer.
int hdmi_instr_out_get_status(int bus, int* hotPlug, int* monitorSense);
// Services one interrupt: re-programs on plug and sense, writes 0x41 on
// unplug, re-arms the GPIO (aborts when it cannot be read), clears the
// interrupt flags; the result of re-reading them.
int handleInterrupt(int bus, int gpio);
// Waits for interrupts until SIGINT; on SIGHUP re-opens and re-programs the
// transmitter, replacing *bus. Returns 0. Aborts when the GPIO cannot be
// opened.
int pollHDMI(int* bus);

void intHandler(int);
void hupHandler(int);

#ifdef __cplusplus
}
#endif
