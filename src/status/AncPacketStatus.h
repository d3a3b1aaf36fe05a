#pragma once

#include <cstdint>

namespace Corvane::AncPacketStatus {

// Raw records of the instrument's ancillary-data monitor.

// One observation window in the monitor's own time base, with the wall-clock
// time of the last observation.
struct AncTime {
    std::uint32_t startTime = 0;
    std::uint32_t endTime = 0;
    std::uint64_t wallClockMs = 0;  // milliseconds since the epoch
};

// Whether an event (packet seen, checksum error, ...) has ever occurred, and
// when it was first and last seen.
struct AncEvent {
    bool occurred = false;
    AncTime firstSeen;
    AncTime lastSeen;
};

}  // namespace Corvane::AncPacketStatus
