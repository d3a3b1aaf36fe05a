#include "platform/hdmi.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/i2c.h"

namespace {

constexpr int transmitterAddress = 0x39;

// Transmitter registers.
constexpr unsigned char statusRegister = 0x42;
constexpr unsigned char hotPlugBit = 0x40;
constexpr unsigned char monitorSenseBit = 0x20;
constexpr unsigned char interruptRegister = 0x96;
constexpr unsigned char hotPlugInterrupt = 0x80;
constexpr unsigned char monitorSenseInterrupt = 0x40;
constexpr unsigned char powerRegister = 0x41;

struct RegisterValue {
    unsigned char reg;
    unsigned char value;
};

const RegisterValue configuration[] = {
    {0xD6, 0x90}, {0x98, 0x03}, {0x9A, 0xE0}, {0x9C, 0x30}, {0x9D, 0x61}, {0xA2, 0xA4},
    {0xA3, 0xA4}, {0xE0, 0xD0}, {0xF9, 0x00}, {0x01, 0x00}, {0x02, 0x18}, {0x03, 0x00},
    {0x0A, 0x03}, {0x0B, 0x20}, {0x0C, 0xBE}, {0x15, 0x20}, {0x16, 0x2E}, {0x17, 0x02},
    {0x18, 0x06}, {0x40, 0x80}, {0x4A, 0x90}, {0x4C, 0x04}, {0x4B, 0x80}, {0x41, 0x10},
    {0xBA, 0x60}, {0xAF, 0x06},
};

volatile sig_atomic_t running = 0;
volatile sig_atomic_t reinit = 0;

struct sigaction intAction;
struct sigaction hupAction;

}  // namespace

extern "C" {

const char hdmiBusPath[] = "/dev/i2c-3";
const char hdmiInterruptPath[] = "/sys/class/gpio/gpio63/value";

void intHandler(int) {
    running = 0;
}

void hupHandler(int) {
    reinit = 1;
}

int initHDMI(void) {
    intAction = {};
    intAction.sa_handler = intHandler;
    sigemptyset(&intAction.sa_mask);
    sigaction(SIGINT, &intAction, nullptr);
    hupAction = {};
    hupAction.sa_handler = hupHandler;
    sigemptyset(&hupAction.sa_mask);
    sigaction(SIGHUP, &hupAction, nullptr);

    const int bus = ::open(hdmiBusPath, O_RDWR);
    if (bus < 0) {
        std::printf("Could not open %s\n", hdmiBusPath);
        std::fflush(stdout);
        std::abort();
    }
    i2cSetDeviceAddress(transmitterAddress);
    i2cWriteByte(bus, 0xD6, 0x00);
    running = 1;
    reconfigure(bus);
    return bus;
}

int reconfigure(int bus) {
    int result = 0;
    for (const RegisterValue& r : configuration) {
        result = i2cWriteByte(bus, r.reg, r.value);
    }
    return result;
}

int hdmi_instr_out_get_status(int bus, int* hotPlug, int* monitorSense) {
    if (hotPlug == nullptr || monitorSense == nullptr) {
        std::printf("NULL derefence\n");
        std::fflush(stdout);
        std::abort();
    }
    unsigned char status = 0;
    const int result = i2cReadByte(bus, statusRegister, &status);
    *hotPlug = status & hotPlugBit;
    *monitorSense = status & monitorSenseBit;
    return result;
}

int handleInterrupt(int bus, int gpio) {
    unsigned char flags = 0;
    i2cReadByte(bus, interruptRegister, &flags);
    int hotPlug = 0;
    int monitorSense = 0;
    hdmi_instr_out_get_status(bus, &hotPlug, &monitorSense);

    if (flags & hotPlugInterrupt) {
        if (hotPlug) {
            reconfigure(bus);
        } else {
            i2cWriteByte(bus, powerRegister, 0x10);
        }
    }
    if ((flags & monitorSenseInterrupt) && monitorSense && hotPlug) {
        reconfigure(bus);
    }

    // Reading the value file re-arms the edge interrupt; what it says is of
    // no interest.
    char value[12];
    if (::lseek(gpio, 0, SEEK_SET) < 0 || ::read(gpio, value, sizeof value) < 0) {
        std::perror("Couldn't read interrupt GPI\n");
        std::abort();
    }

    i2cWriteByte(bus, interruptRegister, 0xFF);
    return i2cReadByte(bus, interruptRegister, &flags);
}

int pollHDMI(int* bus) {
    const int gpio = ::open(hdmiInterruptPath, O_RDONLY);
    if (gpio < 0) {
        std::printf("Could not open %s\n", hdmiInterruptPath);
        std::fflush(stdout);
        std::abort();
    }
    while (running) {
        pollfd event{gpio, POLLPRI | POLLERR, 0};
        if (::poll(&event, 1, 500) > 0 && (event.revents & (POLLPRI | POLLERR))) {
            handleInterrupt(*bus, gpio);
        }
        if (reinit) {
            std::printf("Reinitialising HDMI\n");
            std::fflush(stdout);
            ::close(*bus);
            *bus = initHDMI();
            reinit = 0;
            reconfigure(*bus);
        }
    }
    ::close(gpio);
    return 0;
}

}  // extern "C"
