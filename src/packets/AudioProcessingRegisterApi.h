#pragma once

#include <QtGlobal>

namespace Corvane::AudioProcessingRegisterApi {

// One audio meter reading as the audio processing block reports it.
template <typename T>
struct MeterValue {
    quint8 channel = 0;        // audio channel the reading belongs to
    qint32 group = 0;          // audio group (1..4 within an SDI stream)
    qint32 overloadCount = 0;  // samples at or above full scale since the last reading
    qint32 ballistics = 0;     // meter ballistics the value was computed with
    T value{};

    bool operator==(const MeterValue& o) const {
        return channel == o.channel && group == o.group && overloadCount == o.overloadCount &&
               ballistics == o.ballistics && value == o.value;
    }
};

// ST 337 non-PCM (Dolby) detection state of one channel pair.
struct ST337Status {
    quint8 channelPair = 0;
    qint32 dataType = 0;     // ST 338 data type of the burst
    qint32 dataMode = 0;     // ST 338 data mode
    qint32 burstLength = 0;  // burst payload length in bits
    quint8 dataStreamNumber = 0;
    quint8 errorFlag = 0;
    quint8 typeDependent = 0;  // data-type dependent bits of the burst preamble
    quint8 detected = 0;
    quint8 locked = 0;
    quint8 bitDepth = 0;
    qint8 burstOffset = 0;  // offset of the burst from the expected position, in frames

    bool operator==(const ST337Status& o) const {
        return channelPair == o.channelPair && dataType == o.dataType && dataMode == o.dataMode &&
               burstLength == o.burstLength && dataStreamNumber == o.dataStreamNumber &&
               errorFlag == o.errorFlag && typeDependent == o.typeDependent &&
               detected == o.detected && locked == o.locked && bitDepth == o.bitDepth &&
               burstOffset == o.burstOffset;
    }
};

}  // namespace Corvane::AudioProcessingRegisterApi
