#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

namespace Corvane::Types {

// One captured line of raw SDI samples.
struct RawSdiSampleGridRow {
    std::vector<unsigned int> samples;
    // Same list on every row of a grid (the virtual interfaces the capture
    // spans); kept per row so a row can be handled on its own.
    std::vector<quint32> interfaceList;
    qint32 lineNumber = 0;
    qint32 firstSample = 0;  // sample index of samples[0] within the line
    qint32 sampleStep = 0;   // distance between consecutive captured samples
    qint32 linkNumber = 0;
    qint32 dataStream = 0;
    qint32 fieldNumber = 0;
    qint32 flags = 0;

    bool operator==(const RawSdiSampleGridRow& o) const {
        return samples == o.samples && interfaceList == o.interfaceList &&
               lineNumber == o.lineNumber && firstSample == o.firstSample &&
               sampleStep == o.sampleStep && linkNumber == o.linkNumber &&
               dataStream == o.dataStream && fieldNumber == o.fieldNumber && flags == o.flags;
    }
};

struct RawSdiSampleGrid {
    std::vector<RawSdiSampleGridRow> rows;

    bool operator==(const RawSdiSampleGrid& o) const { return rows == o.rows; }
};

// A jitter spectrum: the frequency axis and two amplitude series over it.
struct JitterSpectralData {
    std::vector<double> frequencies;  // Hz
    std::vector<double> amplitudes;   // unit intervals
    std::vector<double> peakHold;     // unit intervals

    bool operator==(const JitterSpectralData& o) const {
        return frequencies == o.frequencies && amplitudes == o.amplitudes && peakHold == o.peakHold;
    }
};

// Inter-packet arrival time histogram of an IP video stream.
struct IpatHistogram {
    static constexpr int binCount = 64;

    qint32 binWidthNs = 0;
    qint32 firstBinNs = 0;
    qint64 packetCount = 0;
    qint32 minimumNs = 0;
    qint32 maximumNs = 0;
    qint32 meanNs = 0;
    qint32 overflowCount = 0;  // arrivals beyond the last bin
    std::array<quint32, binCount> bins{};

    bool operator==(const IpatHistogram& o) const {
        return binWidthNs == o.binWidthNs && firstBinNs == o.firstBinNs &&
               packetCount == o.packetCount && minimumNs == o.minimumNs &&
               maximumNs == o.maximumNs && meanNs == o.meanNs && overflowCount == o.overflowCount &&
               bins == o.bins;
    }
};

}  // namespace Corvane::Types
