#pragma once

#include "packets/AudioProcessingRegisterApi.h"
#include "packets/RawDataPacket.h"

#include <QVector>
#include <type_traits>
#include <vector>

class QDataStream;

namespace Corvane {

// Bytes one entry takes on the wire.
template <typename Entry>
struct AudioEntryWireSize;
template <typename T>
struct AudioEntryWireSize<AudioProcessingRegisterApi::MeterValue<T>> {
    // four 32-bit fields, then the value: floats travel as 8-byte doubles
    // cppcheck-suppress internalAstError ; cppcheck 2.10 misparses a _v trait before ?:
    static constexpr int value = 16 + (std::is_floating_point_v<T> ? 8 : 4);
};
template <>
struct AudioEntryWireSize<AudioProcessingRegisterApi::ST337Status> {
    static constexpr int value = 28;
};

// Base of the audio measurement packets: a sequence number and one presence
// bit per audio channel pair lead every payload.
class AudioMetersDataPacket : public RawDataPacket {
public:
    AudioMetersDataPacket(unsigned pairPresenceBits, unsigned sequenceNumber);
    // Reads the two leading fields; missing bytes read as zero.
    explicit AudioMetersDataPacket(const QByteArray& frame);

    unsigned getSequenceNumber() const { return sequenceNumber_; }
    unsigned getPairPresenceBits() const { return pairPresenceBits_; }

protected:
    static constexpr int leadingFieldBytes = 8;

    quint32 sequenceNumber_ = 0;
    quint32 pairPresenceBits_ = 0;
};

// Payload: sequence number, pair presence bits, entry count N, N entries
// (all integers 32-bit big-endian; see the wire helpers for each entry).
//
// From a frame, N is bounded by the entries the rest of the payload holds in
// full: a larger count is truncated to that, and trailing bytes that make no
// whole entry are ignored.
template <typename Entry>
class AudioMeasurementListPacket : public AudioMetersDataPacket {
public:
    static constexpr int bytesPerEntry = AudioEntryWireSize<Entry>::value;

    AudioMeasurementListPacket(const std::vector<Entry>& entries, unsigned pairPresenceBits,
                               unsigned sequenceNumber);
    explicit AudioMeasurementListPacket(const QByteArray& frame);

    const QVector<Entry>& getReadings() const { return readings_; }

    QByteArray getSerialisedPayloadForTransmit() const override;

    static qint64 getPayloadSizeInBytes(qint64 entryCount) {
        return leadingFieldBytes + 4 + bytesPerEntry * entryCount;
    }

protected:
    QVector<Entry> readings_;
};

// Meter readings with float values (8-byte doubles on the wire, 24 bytes per
// reading) or int values (20 bytes per reading).
template <typename T>
using MetersData = AudioMeasurementListPacket<AudioProcessingRegisterApi::MeterValue<T>>;

extern template class AudioMeasurementListPacket<AudioProcessingRegisterApi::MeterValue<float>>;
extern template class AudioMeasurementListPacket<AudioProcessingRegisterApi::MeterValue<int>>;
extern template class AudioMeasurementListPacket<AudioProcessingRegisterApi::ST337Status>;

class PpmMetersData final : public MetersData<float> {
public:
    using MetersData<float>::MetersData;
    quint16 getPacketIdentifier() const override { return PacketIdentifier::ppmMeters; }
};

class PeakHoldMetersData final : public MetersData<float> {
public:
    using MetersData<float>::MetersData;
    quint16 getPacketIdentifier() const override { return PacketIdentifier::peakHoldMeters; }
};

class PhaseMetersData final : public MetersData<float> {
public:
    using MetersData<float>::MetersData;
    quint16 getPacketIdentifier() const override { return PacketIdentifier::phaseMeters; }
};

class InstantPeakDbMetersData final : public MetersData<float> {
public:
    using MetersData<float>::MetersData;
    quint16 getPacketIdentifier() const override { return PacketIdentifier::instantPeakDbMeters; }
};

class InstantPeakLinearMetersData final : public MetersData<int> {
public:
    using MetersData<int>::MetersData;
    quint16 getPacketIdentifier() const override {
        return PacketIdentifier::instantPeakLinearMeters;
    }
};

// ST 337 detection state per channel pair, 28 bytes per entry.
class ST337DolbyDetectData final
    : public AudioMeasurementListPacket<AudioProcessingRegisterApi::ST337Status> {
public:
    using AudioMeasurementListPacket::AudioMeasurementListPacket;
    quint16 getPacketIdentifier() const override { return PacketIdentifier::st337DolbyDetect; }
};

}  // namespace Corvane
