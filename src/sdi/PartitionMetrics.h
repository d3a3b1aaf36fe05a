#pragma once

#include <cstddef>
#include <iosfwd>
#include <vector>

#include "sdi/FieldMetrics.h"

namespace Corvane {

// One partition (one field) of a captured frame buffer: one FieldMetrics per
// lane, that is per sub-image.
class PartitionMetrics {
public:
    explicit PartitionMetrics(std::vector<FieldMetrics>&& lanes) : lanes_(std::move(lanes)) {}
    explicit PartitionMetrics(const FieldMetrics& lane) : lanes_{lane} {}

    std::size_t getLaneCount() const { return lanes_.size(); }
    const std::vector<FieldMetrics>& getLaneMetrics() const { return lanes_; }

private:
    std::vector<FieldMetrics> lanes_;
};

std::ostream& operator<<(std::ostream& out, const PartitionMetrics& partition);

}  // namespace Corvane
