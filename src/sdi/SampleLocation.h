#pragma once

#include <cstdint>

namespace Corvane::Types {

// A position in stream order: sample index 0 is the first word of the EAV,
// line index 0 the first line of the field.
struct SampleLocation {
    uint32_t sampleIndex = 0;
    uint32_t lineIndex = 0;

    friend bool operator==(const SampleLocation& a, const SampleLocation& b) {
        return a.sampleIndex == b.sampleIndex && a.lineIndex == b.lineIndex;
    }
    friend bool operator!=(const SampleLocation& a, const SampleLocation& b) { return !(a == b); }
};

// A position as the SDI interface numbers it: sample number 0 is the first
// active sample (blanking follows the active samples), line number 1 the
// first line.
struct DigitalInterfaceSampleLocation {
    uint32_t sampleNumber = 0;
    uint32_t lineNumber = 0;

    friend bool operator==(const DigitalInterfaceSampleLocation& a,
                           const DigitalInterfaceSampleLocation& b) {
        return a.sampleNumber == b.sampleNumber && a.lineNumber == b.lineNumber;
    }
    friend bool operator!=(const DigitalInterfaceSampleLocation& a,
                           const DigitalInterfaceSampleLocation& b) {
        return !(a == b);
    }
};

}  // namespace Corvane::Types
