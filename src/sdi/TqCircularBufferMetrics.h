#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <vector>

#include "sdi/PartitionMetrics.h"

namespace Corvane {

// The geometry of one captured frame: its partitions (fields), each with one
// lane per sub-image.
class TqCircularBufferMetrics {
public:
    explicit TqCircularBufferMetrics(std::vector<PartitionMetrics>&& partitions)
        : partitions_(std::move(partitions)) {}
    explicit TqCircularBufferMetrics(const PartitionMetrics& partition) : partitions_{partition} {}

    const std::vector<PartitionMetrics>& getPartitions() const { return partitions_; }
    std::size_t getFieldCount() const { return partitions_.size(); }
    std::size_t getSubImageCount() const;
    uint32_t getFrameWidth() const;
    uint32_t getFrameHeight() const;
    uint64_t getSampleCountInWholeFrame() const {
        return uint64_t{getFrameWidth()} * getFrameHeight();
    }

private:
    std::vector<PartitionMetrics> partitions_;
};

std::ostream& operator<<(std::ostream& out, const TqCircularBufferMetrics& metrics);

}  // namespace Corvane
