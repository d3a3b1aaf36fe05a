#include "sdi/FieldMetrics.h"

#include <ostream>

namespace Corvane {

namespace {
// Words of the EAV; the line number and CRC words follow it.
constexpr uint32_t timingReferenceLength = 4;
constexpr uint32_t lineNumberWordOne = 4;
constexpr uint32_t lineNumberWordTwo = 5;
constexpr uint32_t crcWordOne = 6;
constexpr uint32_t crcWordTwo = 7;
}  // namespace

FieldMetrics::FieldMetrics(const FieldRegion& wholeField, const FieldRegion& activePicture)
    : whole_(wholeField), active_(activePicture) {
    preVerticalBlanking_ =
        FieldRegion(whole_.getFirstSampleIndex(), whole_.getFirstLineIndex(), whole_.getWidth(),
                    active_.getFirstLineIndex() - whole_.getFirstLineIndex());
    horizontalBlanking_ =
        FieldRegion(whole_.getFirstSampleIndex(), preVerticalBlanking_.getLastLineIndex() + 1,
                    whole_.getWidth() - active_.getWidth(), active_.getHeight());
    postVerticalBlanking_ =
        FieldRegion(whole_.getFirstSampleIndex(), active_.getLastLineIndex() + 1, whole_.getWidth(),
                    whole_.getLastLineIndex() - active_.getLastLineIndex());
}

uint64_t FieldMetrics::getIndexOfFirstActivePictureSampleInStream() const {
    return uint64_t{preVerticalBlanking_.getHeight()} * whole_.getWidth() +
           active_.getFirstSampleIndex();
}

bool FieldMetrics::isSampleInField(const Types::SampleLocation& location) const {
    return whole_.contains(location);
}

bool FieldMetrics::isSampleInField(const Types::DigitalInterfaceSampleLocation& location) const {
    return isSampleInField(getSampleLocationInThisField(location));
}

bool FieldMetrics::isRegionInField(const FieldRegion& region) const {
    return whole_.contains(region.getLocatioanOfFirstSampleInRegion()) &&
           whole_.contains(region.getLocatioanOfLastSampleInRegion());
}

bool FieldMetrics::isSampleInActivePicture(const Types::SampleLocation& location,
                                           bool shiftLaterField) const {
    if (shiftLaterField && getDigitalInterfaceLineNumberFirstLine() != 1) {
        const FieldRegion shifted(active_.getFirstSampleIndex(), active_.getFirstLineIndex() - 1,
                                  active_.getWidth(), active_.getHeight());
        return shifted.contains(location);
    }
    return active_.contains(location);
}

bool FieldMetrics::isReferenceWord(uint32_t sample, uint32_t word, bool twoStreamsMultiplexed) {
    if (twoStreamsMultiplexed) {
        return sample / 2 == word;
    }
    return sample == word;
}

bool FieldMetrics::isSampleEav(const Types::SampleLocation& location,
                               bool twoStreamsMultiplexed) const {
    const uint32_t length =
        twoStreamsMultiplexed ? 2 * timingReferenceLength : timingReferenceLength;
    return location.sampleIndex < length;
}

bool FieldMetrics::isSampleLineNumberWordOne(const Types::SampleLocation& location,
                                             bool twoStreamsMultiplexed) const {
    return isReferenceWord(location.sampleIndex, lineNumberWordOne, twoStreamsMultiplexed);
}

bool FieldMetrics::isSampleLineNumberWordTwo(const Types::SampleLocation& location,
                                             bool twoStreamsMultiplexed) const {
    return isReferenceWord(location.sampleIndex, lineNumberWordTwo, twoStreamsMultiplexed);
}

bool FieldMetrics::isSampleLineNumberWord(const Types::SampleLocation& location,
                                          bool twoStreamsMultiplexed) const {
    return isSampleLineNumberWordOne(location, twoStreamsMultiplexed) ||
           isSampleLineNumberWordTwo(location, twoStreamsMultiplexed);
}

bool FieldMetrics::isSampleCrcWordOne(const Types::SampleLocation& location,
                                      bool twoStreamsMultiplexed) const {
    return isReferenceWord(location.sampleIndex, crcWordOne, twoStreamsMultiplexed);
}

bool FieldMetrics::isSampleCrcWordTwo(const Types::SampleLocation& location,
                                      bool twoStreamsMultiplexed) const {
    return isReferenceWord(location.sampleIndex, crcWordTwo, twoStreamsMultiplexed);
}

bool FieldMetrics::isSampleCrcWord(const Types::SampleLocation& location,
                                   bool twoStreamsMultiplexed) const {
    return isSampleCrcWordOne(location, twoStreamsMultiplexed) ||
           isSampleCrcWordTwo(location, twoStreamsMultiplexed);
}

bool FieldMetrics::isSampleSav(const Types::SampleLocation& location,
                               bool twoStreamsMultiplexed) const {
    const uint32_t blanking = horizontalBlanking_.getWidth();
    const uint32_t length =
        twoStreamsMultiplexed ? 2 * timingReferenceLength : timingReferenceLength;
    return location.sampleIndex < blanking && blanking - location.sampleIndex <= length;
}

Types::SampleLocation FieldMetrics::getSampleLocationInThisField(
    const Types::DigitalInterfaceSampleLocation& location) const {
    const uint32_t activeWidth = active_.getWidth();
    const uint32_t sample = location.sampleNumber < activeWidth
                                ? location.sampleNumber + horizontalBlanking_.getWidth()
                                : location.sampleNumber - activeWidth;
    return {sample, location.lineNumber - 1};
}

Types::DigitalInterfaceSampleLocation FieldMetrics::getDigitalInterfaceSampleLocationInThisField(
    const Types::SampleLocation& location) const {
    const uint32_t blanking = horizontalBlanking_.getWidth();
    const uint32_t sample = location.sampleIndex >= blanking
                                ? location.sampleIndex - blanking
                                : location.sampleIndex + active_.getWidth();
    return {sample, location.lineIndex + 1};
}

bool FieldMetrics::operator==(const FieldMetrics& other) const {
    return whole_ == other.whole_ && preVerticalBlanking_ == other.preVerticalBlanking_ &&
           horizontalBlanking_ == other.horizontalBlanking_ && active_ == other.active_ &&
           postVerticalBlanking_ == other.postVerticalBlanking_;
}

std::ostream& operator<<(std::ostream& out, const FieldMetrics& field) {
    return out << "Field Metrics["
               << "Whole field" << field.getWholeFieldRegion() << "\nVB"
               << field.getPrePictureVerticalBlankingRegion() << "\nHB"
               << field.getHorizontalBlankingRegion() << "\nAP" << field.getActivePictureRegion()
               << "\nVB" << field.getPostPictureVerticalBlankingRegion() << "]";
}

}  // namespace Corvane
