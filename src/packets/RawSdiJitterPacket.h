#pragma once

#include "packets/JitterInsertionAnalysisRegisterApi.h"
#include "packets/MeasurementTypes.h"
#include "packets/RawDataPacket.h"

namespace Corvane {

// A jitter spectrum with the analysis settings it was taken with. Payload:
// for each of the three series its length (32-bit) and its values (8-byte
// doubles), then the window function (32-bit), the overlap flag (one byte)
// and the FFT bandwidth (32-bit).
//
// From a frame, each series length is bounded by the doubles the rest of the
// payload holds: a larger length is truncated to that, and the fields after
// it then read whatever bytes are left (zero past the end).
class RawSdiJitterSpectrumDataPacket final : public RawDataPacket {
public:
    using WindowFunction = JitterInsertionAnalysisRegisterApi::WindowFunction;
    using FftBandwidth = JitterInsertionAnalysisRegisterApi::FftBandwidth;

    RawSdiJitterSpectrumDataPacket(Types::JitterSpectralData&& data, WindowFunction window,
                                   bool overlap, FftBandwidth bandwidth);
    explicit RawSdiJitterSpectrumDataPacket(const QByteArray& frame);

    const Types::JitterSpectralData& getGraphData() const { return data_; }
    WindowFunction getWindowType() const { return window_; }
    bool getOverlap() const { return overlap_; }
    FftBandwidth getFftBandwidth() const { return bandwidth_; }

    quint16 getPacketIdentifier() const override { return PacketIdentifier::rawSdiJitterSpectrum; }
    QByteArray getSerialisedPayloadForTransmit() const override;

    static qint64 getPayloadSizeInBytes(qint64 firstLength, qint64 secondLength,
                                        qint64 thirdLength);

private:
    Types::JitterSpectralData data_;
    WindowFunction window_ = WindowFunction::rectangular;
    bool overlap_ = false;
    FftBandwidth bandwidth_ = FftBandwidth::bandwidth10Hz;
};

}  // namespace Corvane
