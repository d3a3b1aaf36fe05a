#pragma once

#include <string>

#include "SimulatedDevice.h"

namespace Corvane::Sim {

// What the PCIe driver reports about the loaded FPGA design.
struct FpgaInfo {
    unsigned int major = 1, minor = 4, patch = 2, build = 311, designId = 7;
};

// The PCIe driver's /proc/corv_pcie.
class FpgaProcFile : public SimulatedDevice {
public:
    static constexpr const char* devicePath = "/proc/corv_pcie";

    explicit FpgaProcFile(const FpgaInfo& info) : info_(info) {}
    void install(Testbed& testbed) override;

    // Replace the file's text, or remove the file as an unloaded driver does.
    static void setText(const Testbed& testbed, const std::string& text);
    static void remove(const Testbed& testbed);

private:
    FpgaInfo info_;
};

}  // namespace Corvane::Sim
