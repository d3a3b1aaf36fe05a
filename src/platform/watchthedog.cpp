#include "platform/watchthedog.h"

#include <fcntl.h>
#include <linux/watchdog.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

int watchdogFd = -1;

void requireOpen() {
    if (watchdogFd < 0) {
        std::fputs("Watchdog device not open\n", stderr);
        std::abort();
    }
}

}  // namespace

extern "C" {

int start_dog(int timeoutSeconds) {
    watchdogFd = ::open("/dev/watchdog", O_RDWR);
    if (watchdogFd < 0) {
        std::perror("Couldn't open the watchdog at /dev/watchdog: \n");
        std::abort();
    }
    int timeout = timeoutSeconds;
    return ::ioctl(watchdogFd, WDIOC_SETTIMEOUT, &timeout);
}

int kick_dog(void) {
    requireOpen();
    int dummy = 0;
    return ::ioctl(watchdogFd, WDIOC_KEEPALIVE, &dummy);
}

int stop_dog(void) {
    requireOpen();
    const int written = static_cast<int>(::write(watchdogFd, "V", 1));
    ::close(watchdogFd);
    // Forget the closed descriptor: a later kick or stop then stops with
    // "Watchdog device not open" instead of using a stale (maybe reused) fd.
    watchdogFd = -1;
    return written;
}

}  // extern "C"
