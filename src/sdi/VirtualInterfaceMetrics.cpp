#include "sdi/VirtualInterfaceMetrics.h"

#include <ostream>

namespace Corvane {

std::ostream& operator<<(std::ostream& out, const VirtualInterfaceMetrics& metrics) {
    return out << "VirtualInterfaceMetrics[ " << metrics.getVirtualInterfaceCount()
               << " channelsPerLink:" << metrics.getFrameMetrics() << "\n]";
}

}  // namespace Corvane
