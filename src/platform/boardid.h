#pragma once

// Board identities read from sysfs GPIO lines, first line most significant.

#ifdef __cplusplus
extern "C" {
#endif

// 1 when the line reads non-zero, 0 when it reads 0, -1 when unreadable.
int gpio_get_value(unsigned int gpio);
// Identity of board 0 (main), 1 (mezzanine) or 2 (front panel), or -1.
// A successful reading is cached for the life of the process.
int read_board_id(int board);

#ifdef __cplusplus
}
#endif
