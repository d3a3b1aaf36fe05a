#pragma once

#include <QtGlobal>

namespace Corvane::JitterInsertionAnalysisRegisterApi {

// Window applied to the jitter samples before the FFT. Values from a received
// frame are kept as they come, even when they name no enumerator.
enum class WindowFunction : quint32 {
    rectangular = 0,
    hann = 1,
    hamming = 2,
    blackmanHarris = 3,
    flatTop = 4,
};

// Bandwidth covered by the jitter spectrum.
enum class FftBandwidth : quint32 {
    bandwidth10Hz = 0,
    bandwidth100Hz = 1,
    bandwidth1kHz = 2,
    bandwidth10kHz = 3,
    bandwidth100kHz = 4,
    bandwidth1MHz = 5,
};

}  // namespace Corvane::JitterInsertionAnalysisRegisterApi
