#pragma once

// Access to the FPGA's user register window, mapped from the PCIe driver's
// character device. C interface: the instrument's C tools link it too.

#ifdef __cplusplus
extern "C" {
#endif

// Path of the XDMA driver's user register window.
#define CORV_FPGA_DEVICE "/dev/xdma0_user"
// Bytes mapped from the start of the window.
#define CORV_FPGA_WINDOW_BYTES 0x800000UL
// Number of 32-bit registers in the mapped window.
#define CORV_FPGA_WINDOW_WORDS (CORV_FPGA_WINDOW_BYTES / 4UL)

// Opens and maps the window. Returns the descriptor (>= 0) and sets *window,
// or a negative value; a failed mapping leaves *window null.
int corv_open_fpga(unsigned int** window);

// Returns 0, -22 for a null pointer, or -34 for an index outside the window.
int corv_read_fpga_reg(unsigned int* window, long index, unsigned int* value);
int corv_write_fpga_reg(unsigned int* window, long index, unsigned int value);

// Unmaps the window (when given) and closes the descriptor (when >= 0).
void corv_close_fpga(int descriptor, unsigned int* window);

#ifdef __cplusplus
}
#endif
