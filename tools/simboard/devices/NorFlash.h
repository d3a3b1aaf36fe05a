#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// The shape of one NOR flash partition as the kernel's MTD layer reports it.
struct NorGeometry {
    unsigned int index = 8;  // /dev/mtd<index>, minor 2 * index
    std::string name;        // the partition's name in sysfs
    std::uint32_t size = 64 * 1024;
    std::uint32_t eraseSize = 64 * 1024;
    // Every block locked down (write-protect pin held): MEMUNLOCK is taken
    // but unlocks nothing, MEMISLOCKED says 1, and an erase or a write fails
    // with EROFS, as the CFI chip driver reports a protected block.
    bool lockedDown = false;
};

// The partition for programmable-logic images beside the record's:
// /dev/mtd9, 1 MiB in sixteen 64 KiB blocks.
inline NorGeometry imagePartition() {
    return NorGeometry{9, "images", 1024 * 1024, 64 * 1024};
}

// A NOR flash partition /dev/mtdN as mtdchar presents it: MEMGETINFO,
// MEMUNLOCK/MEMLOCK/MEMISLOCKED, MEMERASE and MEMERASE64 (erased bytes read 0xFF),
// writes that can only clear bits (new = old AND data), ENOSPC at the end
// with a write that crosses it shortened, the sysfs attributes mtd-utils
// read and a character-device node (major 90) for stat().
class NorFlash : public SimulatedDevice {
public:
    NorFlash(const NorGeometry& geometry, std::string contents);
    ~NorFlash() override;
    void install(Testbed& testbed) override;

    std::string devicePath() const;
    static std::string devicePath(unsigned int index);
    // The partition's bytes: contents, then erased flash up to the size.
    static std::string image(const std::string& contents, std::uint32_t size);

private:
    class Emulation;
    NorGeometry geometry_;
    std::string contents_;
    std::unique_ptr<Emulation> emulation_;
};

}  // namespace Corvane::Sim
