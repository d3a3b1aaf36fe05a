#include "sdi/TqCircularBufferMetrics.h"

#include <ostream>

namespace Corvane {

std::size_t TqCircularBufferMetrics::getSubImageCount() const {
    return partitions_.empty() ? 0 : partitions_.front().getLaneCount();
}

uint32_t TqCircularBufferMetrics::getFrameWidth() const {
    if (getSubImageCount() == 0) {
        return 0;
    }
    return partitions_.front().getLaneMetrics().front().getWidth();
}

uint32_t TqCircularBufferMetrics::getFrameHeight() const {
    uint32_t height = 0;
    for (const PartitionMetrics& partition : partitions_) {
        if (partition.getLaneCount() > 0) {
            height += partition.getLaneMetrics().front().getHeight();
        }
    }
    return height;
}

std::ostream& operator<<(std::ostream& out, const TqCircularBufferMetrics& metrics) {
    out << "TqCircularBufferMetrics:\n";
    for (const PartitionMetrics& partition : metrics.getPartitions()) {
        out << partition << "\n";
    }
    return out;
}

}  // namespace Corvane
