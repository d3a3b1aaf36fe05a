#pragma once

#include <cstdint>
#include <iosfwd>

#include "sdi/FrameMetrics.h"

namespace Corvane {

// The frame that one virtual interface carries, and how many virtual
// interfaces share a link: 1 at level A, 2 interleaved ones at level B.
class VirtualInterfaceMetrics {
public:
    VirtualInterfaceMetrics(uint32_t virtualInterfaceCount, const FrameMetrics& frame)
        : virtualInterfaceCount_(virtualInterfaceCount), frame_(frame) {}

    uint32_t getVirtualInterfaceCount() const { return virtualInterfaceCount_; }
    const FrameMetrics& getFrameMetrics() const { return frame_; }

private:
    uint32_t virtualInterfaceCount_;
    FrameMetrics frame_;
};

std::ostream& operator<<(std::ostream& out, const VirtualInterfaceMetrics& metrics);

}  // namespace Corvane
