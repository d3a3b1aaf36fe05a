#include "sdi/FrameMetrics.h"

#include <ostream>

namespace Corvane {

FrameMetrics::FrameMetrics(std::vector<FieldMetrics>&& fields) : fields_(std::move(fields)) {
    computeDimensions();
}

FrameMetrics::FrameMetrics(const std::vector<FieldMetrics>& fields) : fields_(fields) {
    computeDimensions();
}

void FrameMetrics::computeDimensions() {
    if (fields_.empty()) {
        return;
    }
    const FieldMetrics& last = fields_.back();
    horizontalBlankingWidth_ = last.getHorizontalBlankingRegion().getWidth();
    frameWidth_ = last.getWidth();
    activeWidth_ = last.getActivePictureWidth();
    for (const FieldMetrics& field : fields_) {
        frameHeight_ += field.getHeight();
        activeHeight_ += field.getActivePictureHeight();
    }
}

bool FrameMetrics::isSampleInFrame(const Types::SampleLocation& location) const {
    return location.sampleIndex < frameWidth_ && location.lineIndex < frameHeight_;
}

bool FrameMetrics::isSampleInFrame(const Types::DigitalInterfaceSampleLocation& location) const {
    for (const FieldMetrics& field : fields_) {
        if (field.isSampleInField(location)) {
            return true;
        }
    }
    return false;
}

bool FrameMetrics::isSampleInActivePicture(const Types::SampleLocation& location) const {
    for (const FieldMetrics& field : fields_) {
        if (field.getActivePictureRegion().contains(location)) {
            return true;
        }
    }
    return false;
}

Types::SampleLocation FrameMetrics::getSampleLocationInThisFrame(
    const Types::DigitalInterfaceSampleLocation& location) const {
    for (const FieldMetrics& field : fields_) {
        if (field.isSampleInField(location)) {
            return field.getSampleLocationInThisField(location);
        }
    }
    return {0, 0};
}

bool FrameMetrics::isSampleEav(const Types::SampleLocation& location) const {
    return location.sampleIndex < 4;
}

bool FrameMetrics::isSampleLineNumberWord(const Types::SampleLocation& location) const {
    return location.sampleIndex == 4 || location.sampleIndex == 5;
}

bool FrameMetrics::isSampleCrcWord(const Types::SampleLocation& location) const {
    return location.sampleIndex == 6 || location.sampleIndex == 7;
}

bool FrameMetrics::isSampleSav(const Types::SampleLocation& location) const {
    // Unsigned on purpose: a sample past the blanking wraps to a large value.
    return horizontalBlankingWidth_ - 1 - location.sampleIndex < 4;
}

std::ostream& operator<<(std::ostream& out, const FrameMetrics& frame) {
    const auto [width, height] = frame.getFrameDimensions();
    out << "Frame Dimensions[width:" << width << ", height:" << height << "]\n";
    for (const FieldMetrics& field : frame.getFieldMetrics()) {
        out << field << "\n";
    }
    return out;
}

}  // namespace Corvane
