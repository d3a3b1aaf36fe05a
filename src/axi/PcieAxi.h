#pragma once

#include "axi/AxiInterface.h"

namespace Corvane {

// Registers of the FPGA's 8 MiB PCIe user window. Without a window every
// read answers 0xFFFFFFFF and every write is dropped.
class PcieAxi : public AxiInterface {
public:
    PcieAxi();
    ~PcieAxi() override;
    PcieAxi(const PcieAxi&) = delete;
    PcieAxi& operator=(const PcieAxi&) = delete;

    void axiWrite(unsigned int base, unsigned int offset, unsigned long value) override;
    unsigned int axiRead(unsigned int base, unsigned int offset) override;

    bool isMapped() const { return window_ != nullptr; }

    // Word index of (base, offset); bases of 32 and above lie past the window.
    static unsigned long long wordIndex(unsigned int base, unsigned int offset) {
        return (static_cast<unsigned long long>(base) << 16) | (offset & 0xFFFFu);
    }

private:
    bool refuseOutsideWindow(const char* access, unsigned int base, unsigned int offset) const;

    int descriptor_ = -1;
    unsigned int* window_ = nullptr;
};

}  // namespace Corvane
