#pragma once

#include "packets/MeasurementTypes.h"
#include "packets/RawDataPacket.h"

namespace Corvane {

// A grid of raw SDI samples. Payload: row count R, samples per row S, list
// length L, the L values of the per-row list, then per row its seven fields
// and S samples. S and L are taken from the first row when sending: shorter
// rows are padded with zero samples and longer ones cut to S, so every row
// has the same size on the wire.
//
// From a frame, L is bounded by the 32-bit values the payload holds and R by
// the whole rows (28 + 4·S bytes each) left after the list: larger counts are
// truncated to that, so a sample count too large for even one row gives a
// grid without rows.
class RawSdiSampleGridPacket final : public RawDataPacket {
public:
    explicit RawSdiSampleGridPacket(Types::RawSdiSampleGrid&& grid);
    explicit RawSdiSampleGridPacket(const QByteArray& frame);

    const Types::RawSdiSampleGrid& getSdiGridData() const { return grid_; }

    quint16 getPacketIdentifier() const override { return PacketIdentifier::rawSdiSampleGrid; }
    QByteArray getSerialisedPayloadForTransmit() const override;

    static qint64 getPayloadSizeInBytes(qint64 perRowListLength, qint64 rowCount,
                                        qint64 samplesPerRow);

private:
    Types::RawSdiSampleGrid grid_;
};

}  // namespace Corvane
