#pragma once

#include "packets/RawDataPacket.h"

#include <QVector>

namespace Corvane {

// An eye-diagram histogram. Payload: bin count N (32-bit), then N 32-bit
// bins. Only received, never built locally.
//
// From a frame, N is bounded by the bins the payload holds in full: a larger
// count is truncated to that.
class EyeHistogramData : public RawDataPacket {
public:
    explicit EyeHistogramData(const QByteArray& frame);

    const QVector<unsigned int>& getBins() const { return bins_; }

    QByteArray getSerialisedPayloadForTransmit() const override;

protected:
    QVector<unsigned int> bins_;
};

class EyeVerticalHistogramData final : public EyeHistogramData {
public:
    using EyeHistogramData::EyeHistogramData;
    quint16 getPacketIdentifier() const override { return PacketIdentifier::eyeVerticalHistogram; }
};

class EyeHorizontalHistogramData final : public EyeHistogramData {
public:
    using EyeHistogramData::EyeHistogramData;
    quint16 getPacketIdentifier() const override {
        return PacketIdentifier::eyeHorizontalHistogram;
    }
};

}  // namespace Corvane
