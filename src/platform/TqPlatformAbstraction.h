#pragma once

#include <fstream>

#include "platform/PlatformAbstractionInterface.h"

namespace Corvane {

// The controller board through its kernel interfaces; FPGA build information
// comes from the PCIe driver's proc file.
class TqPlatformAbstraction : public PlatformAbstractionInterface {
public:
    static constexpr const char* fpgaInfoPath = "/proc/corv_pcie";

    TqPlatformAbstraction();
    ~TqPlatformAbstraction() override;

    int setLED(TqTypes::ledRGB colour, bool on) override;
    bool hasBoard(TqTypes::boardIdentity board) override;
    int getBoardId(TqTypes::boardIdentity board) override;
    // Reads the next two lines of the proc file: each object yields the
    // information once, as the stream is not rewound.
    bool getFPGABuildInfo(unsigned int& designId, unsigned int& major, unsigned int& minor,
                          unsigned int& patch, unsigned int& build) override;
    int startWatchdog(int timeoutSeconds) override;
    int kickWatchdog() override;
    int stopWatchdog() override;
    unsigned int getSerialNumber() override;

private:
    std::ifstream fpgaInfo_;
};

}  // namespace Corvane
