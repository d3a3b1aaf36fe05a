#include "packets/EyeHistogramData.h"

#include "packets/PayloadIo.h"

namespace Corvane {

EyeHistogramData::EyeHistogramData(const QByteArray& frame) : RawDataPacket(frame) {
    QDataStream in(payload_);
    quint32 declared = 0;
    in >> declared;
    bins_.resize(static_cast<int>(PayloadIo::boundedCount(declared, in, sizeof(quint32))));
    for (unsigned int& bin : bins_) {
        in >> bin;
    }
}

QByteArray EyeHistogramData::getSerialisedPayloadForTransmit() const {
    return PayloadIo::write(4 + 4 * qint64(bins_.size()), [this](QDataStream& out) {
        out << quint32(bins_.size());
        for (unsigned int bin : bins_) {
            out << quint32(bin);
        }
    });
}

}  // namespace Corvane
