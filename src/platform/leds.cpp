#include "platform/leds.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace {

struct LedChannel {
    int exportFd = -1;
    int periodFd = -1;
    int dutyFd = -1;
    int enableFd = -1;
    unsigned char intensity = 0;
    char chipDirectory[35];
};

LedChannel channels[3] = {
    {-1, -1, -1, -1, 0, "/sys/class/pwm/pwmchip2/"},  // red
    {-1, -1, -1, -1, 0, "/sys/class/pwm/pwmchip0/"},  // green
    {-1, -1, -1, -1, 0, "/sys/class/pwm/pwmchip1/"},  // blue
};

std::mutex ledMutex;

std::string chipFile(const LedChannel& c, const char* name) {
    return std::string(c.chipDirectory) + name;
}

void writeText(int fd, const std::string& text) {
    if (fd >= 0) {
        // A failed write leaves the channel as it was; nothing to recover.
        (void)!::write(fd, text.data(), text.size());
    }
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
    }
    fd = -1;
}

}  // namespace

extern "C" {

int exportLED(void) {
    int result = 0;
    for (LedChannel& c : channels) {
        c.exportFd = ::open(chipFile(c, "export").c_str(), O_WRONLY);
        if (c.exportFd < 0) {
            result = -1;
            continue;
        }
        if (::write(c.exportFd, "0", 1) != 1) {
            result = -1;
        }
        closeFd(c.exportFd);
    }
    return result;
}

int setLEDStatus(bool on) {
    std::lock_guard<std::mutex> lock(ledMutex);
    for (int i = 2; i >= 0; --i) {  // blue, green, red
        LedChannel& c = channels[i];
        c.periodFd = ::open(chipFile(c, "pwm0/period").c_str(), O_RDWR);
        c.dutyFd = ::open(chipFile(c, "pwm0/duty_cycle").c_str(), O_RDWR);
        c.enableFd = ::open(chipFile(c, "pwm0/enable").c_str(), O_RDWR);
        if (on) {
            writeText(c.periodFd, "255000");
            writeText(c.dutyFd, std::to_string(static_cast<unsigned>(c.intensity) * 1000u));
            writeText(c.enableFd, "1");
        } else {
            writeText(c.periodFd, "0");
            writeText(c.dutyFd, "0");
            writeText(c.enableFd, "0");
        }
        closeFd(c.periodFd);
        closeFd(c.dutyFd);
        closeFd(c.enableFd);
    }
    return 0;
}

int setLED(const unsigned char rgb[3], bool on) {
    const int exported = exportLED();
    {
        std::lock_guard<std::mutex> lock(ledMutex);
        for (int i = 0; i < 3; ++i) {
            channels[i].intensity = rgb[i];
        }
    }
    setLEDStatus(on);
    return exported == 0 ? 0 : 1;
}

}  // extern "C"
