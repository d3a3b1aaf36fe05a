#include "axi/PcieAxi.h"

#include "app/Logging.h"
#include "corvlib/corvlib.h"

namespace Corvane {

PcieAxi::PcieAxi() {
    descriptor_ = corv_open_fpga(&window_);
}

PcieAxi::~PcieAxi() {
    corv_close_fpga(descriptor_, window_);
}

// A base of 32 or more would address memory past the mapping: such an
// access is refused with one error line (the read answers all ones).
bool PcieAxi::refuseOutsideWindow(const char* access, unsigned int base,
                                  unsigned int offset) const {
    if (wordIndex(base, offset) < CORV_FPGA_WINDOW_WORDS) {
        return false;
    }
    logf(LogLevel::error,
         "PCIe AXI: {} of base {} offset 0x{:x} refused: outside the register window", access, base,
         offset);
    return true;
}

void PcieAxi::axiWrite(unsigned int base, unsigned int offset, unsigned long value) {
    if (window_ == nullptr || refuseOutsideWindow("write", base, offset)) {
        return;
    }
    corv_write_fpga_reg(window_, static_cast<long>(wordIndex(base, offset)),
                        static_cast<unsigned int>(value));
}

unsigned int PcieAxi::axiRead(unsigned int base, unsigned int offset) {
    if (window_ == nullptr || refuseOutsideWindow("read", base, offset)) {
        return 0xFFFFFFFFu;
    }
    unsigned int result = 0xFFFFFFFFu;
    corv_read_fpga_reg(window_, static_cast<long>(wordIndex(base, offset)), &result);
    return result;
}

}  // namespace Corvane
