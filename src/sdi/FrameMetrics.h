#pragma once

#include <cstdint>
#include <iosfwd>
#include <utility>
#include <vector>

#include "sdi/FieldMetrics.h"
#include "sdi/SampleLocation.h"

namespace Corvane {

// The fields of one frame (one for progressive, two for interlaced or
// segmented-frame formats) with the frame's overall dimensions. Widths are
// those of the last field; heights are summed over the fields.
class FrameMetrics {
public:
    explicit FrameMetrics(std::vector<FieldMetrics>&& fields);
    explicit FrameMetrics(const std::vector<FieldMetrics>& fields);
    FrameMetrics(const FrameMetrics&) = default;
    FrameMetrics(FrameMetrics&&) = default;
    FrameMetrics& operator=(const FrameMetrics&) = default;
    FrameMetrics& operator=(FrameMetrics&&) = default;

    const std::vector<FieldMetrics>& getFieldMetrics() const { return fields_; }
    std::size_t getFieldCount() const { return fields_.size(); }

    // (width, height)
    std::pair<uint32_t, uint32_t> getFrameDimensions() const { return {frameWidth_, frameHeight_}; }
    std::pair<uint32_t, uint32_t> getActivePictureDimensions() const {
        return {activeWidth_, activeHeight_};
    }
    uint32_t getHorizontalBlankingWidth() const { return horizontalBlankingWidth_; }
    uint64_t getTotalSampleCountInFrame() const { return uint64_t{frameWidth_} * frameHeight_; }

    uint32_t getDigitalInterfaceSampleNumberFirstSample() const { return activeWidth_; }
    uint32_t getDigitalInterfaceSampleNumberLastSample() const { return activeWidth_ - 1; }
    uint32_t getDigitalInterfaceSampleNumberFirstEav() const { return activeWidth_; }
    uint32_t getDigitalInterfaceSampleNumberFirstSav() const { return frameWidth_ - 4; }
    uint32_t getDigitalInterfaceSampleNumberActivePictureLeft() const { return 0; }
    uint32_t getDigitalInterfaceSampleNumberActivePictureRight() const { return activeWidth_ - 1; }
    uint32_t getDigitalInterfaceSampleNumberLowestSample() const { return 0; }
    uint32_t getDigitalInterfaceSampleNumberHighestSample() const { return frameWidth_ - 1; }
    uint32_t getDigitalInterfaceLineNumberFirstLine() const { return 1; }
    uint32_t getDigitalInterfaceLineNumberLastLine() const { return frameHeight_; }

    bool isSampleInFrame(const Types::SampleLocation& location) const;
    bool isSampleInFrame(const Types::DigitalInterfaceSampleLocation& location) const;
    bool isSampleInActivePicture(const Types::SampleLocation& location) const;

    // Converted by the first field that holds the location; (0, 0) when none does.
    Types::SampleLocation getSampleLocationInThisFrame(
        const Types::DigitalInterfaceSampleLocation& location) const;

    // Timing-reference words of a line with one data stream per link.
    bool isSampleEav(const Types::SampleLocation& location) const;
    bool isSampleLineNumberWord(const Types::SampleLocation& location) const;
    bool isSampleCrcWord(const Types::SampleLocation& location) const;
    bool isSampleSav(const Types::SampleLocation& location) const;

private:
    void computeDimensions();

    std::vector<FieldMetrics> fields_;
    uint32_t horizontalBlankingWidth_ = 0;
    uint32_t frameWidth_ = 0;
    uint32_t activeWidth_ = 0;
    uint32_t frameHeight_ = 0;
    uint32_t activeHeight_ = 0;
};

std::ostream& operator<<(std::ostream& out, const FrameMetrics& frame);

}  // namespace Corvane
