#pragma once

// The hardware watchdog, /dev/watchdog. A process that starts it must keep
// kicking it within the timeout or the board resets.

#ifdef __cplusplus
extern "C" {
#endif

// Opens the device and sets the timeout; aborts when it cannot be opened.
int start_dog(int timeoutSeconds);
// WDIOC_KEEPALIVE; aborts when the watchdog was not started.
int kick_dog(void);
// Magic close: writes "V" and closes; aborts when the watchdog was not started.
int stop_dog(void);

#ifdef __cplusplus
}
#endif
