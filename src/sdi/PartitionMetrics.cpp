#include "sdi/PartitionMetrics.h"

#include <ostream>

namespace Corvane {

std::ostream& operator<<(std::ostream& out, const PartitionMetrics& partition) {
    out << "PartitionMetrics:\n";
    for (const FieldMetrics& lane : partition.getLaneMetrics()) {
        out << lane << "\n";
    }
    return out;
}

}  // namespace Corvane
