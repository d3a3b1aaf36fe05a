#include "HdmiTransmitter.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "IoctlHandler.h"
#include "Testbed.h"

namespace Corvane::Sim {

namespace {

constexpr std::uint8_t statusRegister = 0x42;
constexpr std::uint8_t interruptRegister = 0x96;
constexpr unsigned int maxMessages = 42;        // I2C_RDWR_IOCTL_MAX_MSGS
constexpr std::size_t maxMessageLength = 8192;  // what i2c-dev accepts per message

}  // namespace

class HdmiTransmitter::Emulation : public IoctlHandler {
public:
    Emulation() {
        // Chip identity as the ADV7511 reports it.
        registers[0xF5] = 0x75;
        registers[0xF6] = 0x11;
    }

    mutable std::mutex mutex;
    std::array<std::uint8_t, 256> registers{};
    std::vector<RegisterWrite> writes;
    std::function<void()> raise;
    int opens = 0;

protected:
    void clientConnected(UMockdevIoctlClient*) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++opens;
    }

    bool handleIoctl(UMockdevIoctlClient* client) override {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        long result = 0;
        int error = 0;
        switch (umockdev_ioctl_client_get_request(client)) {
            case I2C_FUNCS:
                withPointee<unsigned long>(
                    arg, [](unsigned long& funcs) { funcs = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL; });
                break;
            case I2C_SLAVE:
            case I2C_SLAVE_FORCE: {
                // The address is the argument itself.
                unsigned long value = 0;
                std::memcpy(&value, arg->data,
                            std::min(sizeof value, static_cast<std::size_t>(arg->data_len)));
                if (value > 0x7F) {
                    result = -1;
                    error = EINVAL;
                }
                break;
            }
            case I2C_RDWR:
                result = transfer(arg, error);
                break;
            default:
                result = -1;
                error = ENOTTY;
                break;
        }
        umockdev_ioctl_client_complete(client, result, error);
        return true;
    }

private:
    long transfer(UMockdevIoctlData* arg, int& error) {
        const ClientMemory header = resolve(arg, 0, sizeof(i2c_rdwr_ioctl_data));
        if (!header) {
            error = EFAULT;
            return -1;
        }
        i2c_rdwr_ioctl_data request{};
        std::memcpy(&request, header->data, sizeof request);
        if (request.nmsgs == 0 || request.nmsgs > maxMessages) {
            error = EINVAL;
            return -1;
        }
        const ClientMemory messages = resolve(header.get(), offsetof(i2c_rdwr_ioctl_data, msgs),
                                              request.nmsgs * sizeof(i2c_msg));
        if (!messages) {
            error = EFAULT;
            return -1;
        }
        std::vector<i2c_msg> msgs(request.nmsgs);
        std::memcpy(msgs.data(), messages->data, msgs.size() * sizeof(i2c_msg));
        for (const i2c_msg& m : msgs) {
            if (m.len > maxMessageLength) {
                error = EINVAL;
                return -1;
            }
        }
        std::lock_guard<std::mutex> lock(mutex);
        for (std::size_t i = 0; i < msgs.size(); ++i) {
            const i2c_msg& m = msgs[i];
            if (m.addr != address) {
                error = ENXIO;  // nobody acknowledged the address
                return -1;
            }
            if (m.len == 0) {
                continue;
            }
            const ClientMemory buffer =
                resolve(messages.get(), i * sizeof(i2c_msg) + offsetof(i2c_msg, buf), m.len);
            if (!buffer) {
                error = EFAULT;
                return -1;
            }
            auto* bytes = static_cast<std::uint8_t*>(buffer->data);
            if (m.flags & I2C_M_RD) {
                for (std::size_t b = 0; b < m.len; ++b) {
                    bytes[b] = registers[pointer_++];
                }
                continue;
            }
            pointer_ = bytes[0];
            for (std::size_t b = 1; b < m.len; ++b) {
                write(pointer_++, bytes[b]);
            }
        }
        return static_cast<long>(msgs.size());
    }

    void write(std::uint8_t reg, std::uint8_t value) {
        writes.push_back({reg, value});
        if (reg == interruptRegister) {
            registers[reg] &= static_cast<std::uint8_t>(~value);  // write one to clear
        } else if (reg != statusRegister) {                       // read-only
            registers[reg] = value;
        }
    }

    std::uint8_t pointer_ = 0;
};

HdmiTransmitter::HdmiTransmitter() : emulation_(std::make_unique<Emulation>()) {}

HdmiTransmitter::~HdmiTransmitter() = default;

void HdmiTransmitter::install(Testbed& testbed) {
    testbed.put(devicePath, "");
    testbed.attach(devicePath, *emulation_, "I2C bus emulation");
}

void HdmiTransmitter::event(bool hotPlug, bool monitorSense, std::uint8_t interruptFlags) {
    std::function<void()> raise;
    {
        std::lock_guard<std::mutex> lock(emulation_->mutex);
        auto& status = emulation_->registers[statusRegister];
        status = static_cast<std::uint8_t>((status & ~0x60) | (hotPlug ? 0x40 : 0) |
                                           (monitorSense ? 0x20 : 0));
        emulation_->registers[interruptRegister] |= interruptFlags;
        raise = emulation_->raise;
    }
    if (interruptFlags != 0 && raise) {
        raise();
    }
}

bool HdmiTransmitter::command(const std::string& word) {
    const bool plugged = (reg(statusRegister) & 0x40) != 0;
    if (word == "plug") {
        event(true, true, 0xC0);
    } else if (word == "unplug") {
        event(false, false, 0xC0);
    } else if (word == "sense" || word == "nosense") {
        event(plugged, word == "sense", 0x40);
    } else {
        return false;
    }
    return true;
}

void HdmiTransmitter::onInterrupt(std::function<void()> raise) {
    std::lock_guard<std::mutex> lock(emulation_->mutex);
    emulation_->raise = std::move(raise);
}

std::uint8_t HdmiTransmitter::reg(std::uint8_t r) const {
    std::lock_guard<std::mutex> lock(emulation_->mutex);
    return emulation_->registers[r];
}

std::vector<RegisterWrite> HdmiTransmitter::writes() const {
    std::lock_guard<std::mutex> lock(emulation_->mutex);
    return emulation_->writes;
}

void HdmiTransmitter::clearWrites() {
    std::lock_guard<std::mutex> lock(emulation_->mutex);
    emulation_->writes.clear();
}

int HdmiTransmitter::opens() const {
    std::lock_guard<std::mutex> lock(emulation_->mutex);
    return emulation_->opens;
}

}  // namespace Corvane::Sim
