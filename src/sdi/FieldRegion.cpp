#include "sdi/FieldRegion.h"

#include <ostream>

namespace Corvane {

bool FieldRegion::contains(const Types::SampleLocation& location) const {
    if (width_ == 0 || height_ == 0) {
        return false;
    }
    return location.lineIndex >= firstLineIndex_ && location.lineIndex <= getLastLineIndex() &&
           location.sampleIndex >= firstSampleIndex_ &&
           location.sampleIndex <= getLastSampleIndex();
}

bool FieldRegion::operator==(const FieldRegion& other) const {
    return firstSampleIndex_ == other.firstSampleIndex_ &&
           firstLineIndex_ == other.firstLineIndex_ && height_ == other.height_ &&
           width_ == other.width_;
}

std::ostream& operator<<(std::ostream& out, const FieldRegion& region) {
    return out << "Region[sampleIndex:" << region.getFirstSampleIndex()
               << ", lineIndex:" << region.getFirstLineIndex() << ", samples:" << region.getWidth()
               << ", lines:" << region.getHeight() << "]";
}

}  // namespace Corvane
