#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// Size of the FPGA's user register window behind /dev/xdma0_user.
inline constexpr std::size_t windowBytes = 0x800000;

struct RegisterValue {
    unsigned int base = 0;
    unsigned int offset = 0;
    std::uint32_t value = 0;
};

// The register window's word index of (base, offset), or nothing when the
// register lies outside the 8 MiB window.
std::optional<std::size_t> windowIndex(unsigned int base, unsigned int offset);

// The FPGA's register window: a plain file the daemon maps shared, so its
// writes land in the file and the file's contents are what it reads.
class RegisterWindow : public SimulatedDevice {
public:
    static constexpr const char* devicePath = "/dev/xdma0_user";

    explicit RegisterWindow(std::vector<RegisterValue> initial) : initial_(std::move(initial)) {}
    void install(Testbed& testbed) override;

    // One register of the window file. Throw std::out_of_range for bases of
    // 32 and above and std::runtime_error when the file cannot be accessed.
    static std::uint32_t read(const std::string& windowFile, unsigned int base,
                              unsigned int offset);
    static void write(const std::string& windowFile, unsigned int base, unsigned int offset,
                      std::uint32_t value);

private:
    std::vector<RegisterValue> initial_;
};

}  // namespace Corvane::Sim
