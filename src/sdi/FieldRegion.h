#pragma once

#include <cstdint>
#include <iosfwd>

#include "sdi/SampleLocation.h"

namespace Corvane {

// A rectangle of samples inside a field, in stream coordinates.
//
// Regions of zero width or height have last indices one before their first
// (unsigned wrap-around when the first index is 0) and contain nothing: the
// standards never produce them, so callers must not rely on more.
class FieldRegion {
public:
    FieldRegion() = default;
    FieldRegion(uint32_t firstSampleIndex, uint32_t firstLineIndex, uint32_t width, uint32_t height)
        : firstSampleIndex_(firstSampleIndex),
          firstLineIndex_(firstLineIndex),
          height_(height),
          width_(width) {}

    uint32_t getFirstSampleIndex() const { return firstSampleIndex_; }
    uint32_t getFirstLineIndex() const { return firstLineIndex_; }
    uint32_t getWidth() const { return width_; }
    uint32_t getHeight() const { return height_; }
    uint32_t getLastSampleIndex() const { return firstSampleIndex_ + width_ - 1; }
    uint32_t getLastLineIndex() const { return firstLineIndex_ + height_ - 1; }

    Types::SampleLocation getLocatioanOfFirstSampleInRegion() const {
        return {firstSampleIndex_, firstLineIndex_};
    }
    Types::SampleLocation getLocatioanOfLastSampleInRegion() const {
        return {getLastSampleIndex(), getLastLineIndex()};
    }

    bool contains(const Types::SampleLocation& location) const;
    uint64_t getTotalSampleCountInRegion() const { return uint64_t{width_} * height_; }

    bool operator==(const FieldRegion& other) const;
    bool operator!=(const FieldRegion& other) const { return !(*this == other); }

private:
    uint32_t firstSampleIndex_ = 0;
    uint32_t firstLineIndex_ = 0;
    uint32_t height_ = 0;
    uint32_t width_ = 0;
};

std::ostream& operator<<(std::ostream& out, const FieldRegion& region);

}  // namespace Corvane
