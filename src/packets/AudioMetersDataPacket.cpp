#include "packets/AudioMetersDataPacket.h"

#include "packets/PayloadIo.h"

#include <QDataStream>

namespace Corvane {

using AudioProcessingRegisterApi::MeterValue;
using AudioProcessingRegisterApi::ST337Status;

namespace {

// Byte-sized fields travel widened; reading narrows them back.
template <typename Narrow, typename Wide>
Narrow readWidened(QDataStream& in) {
    Wide wide = 0;
    in >> wide;
    return static_cast<Narrow>(wide);
}

template <typename T>
void writeEntry(QDataStream& out, const MeterValue<T>& v) {
    out << quint32(v.channel) << v.group << v.overloadCount << v.ballistics << v.value;
}

template <typename T>
void readEntry(QDataStream& in, MeterValue<T>& v) {
    v.channel = readWidened<quint8, quint32>(in);
    in >> v.group >> v.overloadCount >> v.ballistics >> v.value;
}

void writeEntry(QDataStream& out, const ST337Status& s) {
    out << quint32(s.channelPair) << s.dataType << s.dataMode << s.burstLength
        << quint16(s.dataStreamNumber) << quint16(s.errorFlag) << quint32(s.typeDependent)
        << s.detected << s.locked << s.bitDepth << s.burstOffset;
}

void readEntry(QDataStream& in, ST337Status& s) {
    s.channelPair = readWidened<quint8, quint32>(in);
    in >> s.dataType >> s.dataMode >> s.burstLength;
    s.dataStreamNumber = readWidened<quint8, quint16>(in);
    s.errorFlag = readWidened<quint8, quint16>(in);
    s.typeDependent = readWidened<quint8, quint32>(in);
    in >> s.detected >> s.locked >> s.bitDepth >> s.burstOffset;
}

}  // namespace

AudioMetersDataPacket::AudioMetersDataPacket(unsigned pairPresenceBits, unsigned sequenceNumber)
    : sequenceNumber_(sequenceNumber), pairPresenceBits_(pairPresenceBits) {}

AudioMetersDataPacket::AudioMetersDataPacket(const QByteArray& frame) : RawDataPacket(frame) {
    QDataStream in(payload_);
    in >> sequenceNumber_ >> pairPresenceBits_;
}

template <typename Entry>
AudioMeasurementListPacket<Entry>::AudioMeasurementListPacket(const std::vector<Entry>& entries,
                                                              unsigned pairPresenceBits,
                                                              unsigned sequenceNumber)
    : AudioMetersDataPacket(pairPresenceBits, sequenceNumber),
      readings_(entries.begin(), entries.end()) {}

template <typename Entry>
AudioMeasurementListPacket<Entry>::AudioMeasurementListPacket(const QByteArray& frame)
    : AudioMetersDataPacket(frame) {
    QDataStream in(payload_);
    in.skipRawData(leadingFieldBytes);
    quint32 declared = 0;
    in >> declared;
    const quint32 count = PayloadIo::boundedCount(declared, in, bytesPerEntry);
    readings_.resize(static_cast<int>(count));
    for (Entry& entry : readings_) {
        readEntry(in, entry);
    }
}

template <typename Entry>
QByteArray AudioMeasurementListPacket<Entry>::getSerialisedPayloadForTransmit() const {
    return PayloadIo::write(getPayloadSizeInBytes(readings_.size()), [this](QDataStream& out) {
        out << sequenceNumber_ << pairPresenceBits_ << quint32(readings_.size());
        for (const Entry& entry : readings_) {
            writeEntry(out, entry);
        }
    });
}

template class AudioMeasurementListPacket<MeterValue<float>>;
template class AudioMeasurementListPacket<MeterValue<int>>;
template class AudioMeasurementListPacket<ST337Status>;

}  // namespace Corvane
