#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "NorFlash.h"

namespace Corvane::Sim {

// The serial/MAC record the factory writes at the start of the flash.
struct SerialMac {
    std::array<std::uint8_t, 6> mac = {0x02, 0x00, 0x5e, 0xc0, 0xff, 0xee};
    unsigned int serial = 123456;
};

// The flash partition /dev/mtd8, one 64 KiB NOR erase block: the record,
// then erased flash.
class FlashRecord : public NorFlash {
public:
    static constexpr unsigned int index = 8;

    explicit FlashRecord(const SerialMac& record);

    // The partition's first bytes; the rest of it reads as erased.
    static void setBytes(const Testbed& testbed, const std::string& bytes);

private:
    static NorGeometry geometry();
};

}  // namespace Corvane::Sim
