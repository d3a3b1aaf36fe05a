#pragma once

#include <cstdint>
#include <iosfwd>

#include "sdi/FieldRegion.h"
#include "sdi/SampleLocation.h"

namespace Corvane {

// The layout of one field in 10-bit sample words and lines: the whole field,
// the vertical blanking above and below the picture, the horizontal blanking
// of the active lines and the active picture. All five regions follow from
// the whole and the active region.
//
// The word classifiers take `twoStreamsMultiplexed` for links that carry two
// word-multiplexed data streams, where each timing-reference word occupies
// two consecutive positions.
class FieldMetrics {
public:
    FieldMetrics(const FieldRegion& wholeField, const FieldRegion& activePicture);

    uint32_t getWidth() const { return whole_.getWidth(); }
    uint32_t getHeight() const { return whole_.getHeight(); }
    uint64_t getTotalNumberOfSamplesInField() const { return whole_.getTotalSampleCountInRegion(); }

    const FieldRegion& getWholeFieldRegion() const { return whole_; }
    const FieldRegion& getPrePictureVerticalBlankingRegion() const { return preVerticalBlanking_; }
    const FieldRegion& getHorizontalBlankingRegion() const { return horizontalBlanking_; }
    const FieldRegion& getActivePictureRegion() const { return active_; }
    const FieldRegion& getPostPictureVerticalBlankingRegion() const {
        return postVerticalBlanking_;
    }

    uint32_t getActivePictureWidth() const { return active_.getWidth(); }
    uint32_t getActivePictureHeight() const { return active_.getHeight(); }
    uint64_t getNumberActivePictureSamples() const { return active_.getTotalSampleCountInRegion(); }

    // Position of the first active sample when the field is stored line after
    // line from its first word.
    uint64_t getIndexOfFirstActivePictureSampleInStream() const;

    // Interface sample numbers (0 = first active sample).
    uint32_t getDigitalInterfaceSampleNumberFirstSample() const { return active_.getWidth(); }
    uint32_t getDigitalInterfaceSampleNumberLastSample() const { return active_.getWidth() - 1; }
    uint32_t getDigitalInterfaceSampleNumberFirstEav() const { return active_.getWidth(); }
    uint32_t getDigitalInterfaceSampleNumberFirstSav() const { return whole_.getWidth() - 4; }
    uint32_t getDigitalInterfaceSampleNumberActivePictureLeft() const { return 0; }
    uint32_t getDigitalInterfaceSampleNumberActivePictureRight() const {
        return active_.getWidth() - 1;
    }
    uint32_t getDigitalInterfaceSampleNumberLowestSample() const { return 0; }
    uint32_t getDigitalInterfaceSampleNumberHighestSample() const { return whole_.getWidth() - 1; }

    // Interface line numbers (1 = first line).
    uint32_t getDigitalInterfaceLineNumberFirstLine() const {
        return whole_.getFirstLineIndex() + 1;
    }
    uint32_t getDigitalInterfaceLineNumberLastLine() const { return whole_.getLastLineIndex() + 1; }
    uint32_t getDigitalInterfaceLineNumberActivePictureTop() const {
        return active_.getFirstLineIndex() + 1;
    }
    uint32_t getDigitalInterfaceLineNumberActivePictureBottom() const {
        return active_.getLastLineIndex() + 1;
    }

    bool isSampleInField(const Types::SampleLocation& location) const;
    bool isSampleInField(const Types::DigitalInterfaceSampleLocation& location) const;
    bool isRegionInField(const FieldRegion& region) const;

    // With `shiftLaterField` set, a field that does not start on interface
    // line 1 is tested against its active region moved up by one line.
    bool isSampleInActivePicture(const Types::SampleLocation& location, bool shiftLaterField) const;

    bool isSampleEav(const Types::SampleLocation& location, bool twoStreamsMultiplexed) const;
    bool isSampleLineNumberWordOne(const Types::SampleLocation& location,
                                   bool twoStreamsMultiplexed) const;
    bool isSampleLineNumberWordTwo(const Types::SampleLocation& location,
                                   bool twoStreamsMultiplexed) const;
    bool isSampleLineNumberWord(const Types::SampleLocation& location,
                                bool twoStreamsMultiplexed) const;
    bool isSampleCrcWordOne(const Types::SampleLocation& location,
                            bool twoStreamsMultiplexed) const;
    bool isSampleCrcWordTwo(const Types::SampleLocation& location,
                            bool twoStreamsMultiplexed) const;
    bool isSampleCrcWord(const Types::SampleLocation& location, bool twoStreamsMultiplexed) const;
    bool isSampleSav(const Types::SampleLocation& location, bool twoStreamsMultiplexed) const;

    // Conversions between stream and interface coordinates inside this field.
    Types::SampleLocation getSampleLocationInThisField(
        const Types::DigitalInterfaceSampleLocation& location) const;
    Types::DigitalInterfaceSampleLocation getDigitalInterfaceSampleLocationInThisField(
        const Types::SampleLocation& location) const;

    bool operator==(const FieldMetrics& other) const;
    bool operator!=(const FieldMetrics& other) const { return !(*this == other); }

private:
    // Position of timing-reference word `word` (0 = first word after the EAV)
    // in stream order; two positions per word when streams are multiplexed.
    static bool isReferenceWord(uint32_t sample, uint32_t word, bool twoStreamsMultiplexed);

    FieldRegion whole_;
    FieldRegion preVerticalBlanking_;
    FieldRegion horizontalBlanking_;
    FieldRegion active_;
    FieldRegion postVerticalBlanking_;
};

std::ostream& operator<<(std::ostream& out, const FieldMetrics& field);

}  // namespace Corvane
