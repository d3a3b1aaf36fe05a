#include "packets/RawSdiJitterPacket.h"

#include "packets/PayloadIo.h"

#include <utility>

namespace Corvane {
namespace {

void readSeries(QDataStream& in, std::vector<double>& series) {
    quint32 declared = 0;
    in >> declared;
    series.resize(PayloadIo::boundedCount(declared, in, sizeof(double)));
    for (double& value : series) {
        in >> value;
    }
}

void writeSeries(QDataStream& out, const std::vector<double>& series) {
    out << quint32(series.size());
    for (double value : series) {
        out << value;
    }
}

}  // namespace

RawSdiJitterSpectrumDataPacket::RawSdiJitterSpectrumDataPacket(Types::JitterSpectralData&& data,
                                                               WindowFunction window, bool overlap,
                                                               FftBandwidth bandwidth)
    : data_(std::move(data)), window_(window), overlap_(overlap), bandwidth_(bandwidth) {}

RawSdiJitterSpectrumDataPacket::RawSdiJitterSpectrumDataPacket(const QByteArray& frame)
    : RawDataPacket(frame) {
    QDataStream in(payload_);
    readSeries(in, data_.frequencies);
    readSeries(in, data_.amplitudes);
    readSeries(in, data_.peakHold);
    quint32 window = 0;
    quint32 bandwidth = 0;
    in >> window >> overlap_ >> bandwidth;
    window_ = static_cast<WindowFunction>(window);
    bandwidth_ = static_cast<FftBandwidth>(bandwidth);
}

qint64 RawSdiJitterSpectrumDataPacket::getPayloadSizeInBytes(qint64 firstLength,
                                                             qint64 secondLength,
                                                             qint64 thirdLength) {
    return 21 + 8 * (firstLength + secondLength + thirdLength);
}

QByteArray RawSdiJitterSpectrumDataPacket::getSerialisedPayloadForTransmit() const {
    const qint64 size =
        getPayloadSizeInBytes(qint64(data_.frequencies.size()), qint64(data_.amplitudes.size()),
                              qint64(data_.peakHold.size()));
    return PayloadIo::write(size, [this](QDataStream& out) {
        writeSeries(out, data_.frequencies);
        writeSeries(out, data_.amplitudes);
        writeSeries(out, data_.peakHold);
        out << quint32(window_) << overlap_ << quint32(bandwidth_);
    });
}

}  // namespace Corvane
