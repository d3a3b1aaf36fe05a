#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// The serial/MAC record the factory writes at the start of the flash.
struct SerialMac {
    std::array<std::uint8_t, 6> mac = {0x02, 0x00, 0x5e, 0xc0, 0xff, 0xee};
    unsigned int serial = 123456;
};

// The flash partition /dev/mtd8, read with open/lseek/read: the record,
// then erased flash.
class FlashRecord : public SimulatedDevice {
public:
    static constexpr const char* devicePath = "/dev/mtd8";

    explicit FlashRecord(const SerialMac& record) : record_(record) {}
    void install(Testbed& testbed) override;

    // The partition's first bytes; the rest of it reads as erased.
    static void setBytes(const Testbed& testbed, const std::string& bytes);

private:
    SerialMac record_;
};

}  // namespace Corvane::Sim
