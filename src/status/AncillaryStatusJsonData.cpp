#include "status/AncillaryStatusJsonData.h"

namespace Corvane {

namespace {

QLatin1String keyOf(const char* name) {
    return QLatin1String(name);
}

// Converts with toInt and stores; the result tells whether it converted.
bool storeInt(const QVariant& value, int& field) {
    bool ok = false;
    field = value.toInt(&ok);
    return ok;
}

// Unsigned fields take the same conversion as every integer property; the
// bits of a negative number are kept, as the JSON form does.
bool storeUInt(const QVariant& value, unsigned int& field) {
    bool ok = false;
    field = static_cast<unsigned int>(value.toInt(&ok));
    return ok;
}

// JSON numbers that do not fit 16 bits read as 0.
quint16 readUInt16(const QJsonValue& value) {
    const int number = value.toInt();
    return (number < 0 || number > 0xFFFF) ? 0 : static_cast<quint16>(number);
}

void readNested(const QJsonObject& json, const char* key, SimpleJsonObject& into) {
    into.fromValidQJsonObject(json.value(keyOf(key)).toObject());
}

}  // namespace

// ---- AncTimeJsonData

void AncTimeJsonData::toCustomQJsonObject(QJsonObject& json) const {
    json.insert(keyOf(propertyNames[StartTime]), startTime_);
    json.insert(keyOf(propertyNames[EndTime]), endTime_);
}

void AncTimeJsonData::fromValidQJsonObject(const QJsonObject& json) {
    startTime_ = json.value(keyOf(propertyNames[StartTime])).toInt();
    endTime_ = json.value(keyOf(propertyNames[EndTime])).toInt();
}

QVariant AncTimeJsonData::getDataForProperty(Properties property) const {
    switch (property) {
        case StartTime:
            return startTime_;
        case EndTime:
            return endTime_;
        default:
            return {};
    }
}

bool AncTimeJsonData::setDataForProperty(Properties property, const QVariant& value) {
    if (!value.isValid()) {
        return false;
    }
    switch (property) {
        case StartTime:
            return storeInt(value, startTime_);
        case EndTime:
            return storeInt(value, endTime_);
        case PropertiesCount:
            return false;
    }
    return true;
}

void AncTimeJsonData::fromAncTime(const AncPacketStatus::AncTime& time) {
    // The monitor counts in 32 bits; the document carries the same bits as int.
    startTime_ = static_cast<int>(time.startTime);
    endTime_ = static_cast<int>(time.endTime);
}

// ---- AncEventJsonData

AncEventJsonData::Presence AncEventJsonData::presenceFromInt(int value) {
    return (value == PreviouslyPresent || value == Present) ? static_cast<Presence>(value)
                                                            : NotPresent;
}

QString AncEventJsonData::presenceText(Presence presence) {
    switch (presence) {
        case Present:
            return QStringLiteral("Present");
        case PreviouslyPresent:
            return QStringLiteral("Previously Present");
        case NotPresent:
            break;
    }
    return QStringLiteral("Not Present");
}

void AncEventJsonData::toCustomQJsonObject(QJsonObject& json) const {
    json.insert(keyOf(propertyNames[HasOccurred]), static_cast<int>(presence_));
    json.insert(keyOf(propertyNames[FirstSeen]), firstSeen_.toQJsonObject());
    json.insert(keyOf(propertyNames[LastSeen]), lastSeen_.toQJsonObject());
}

void AncEventJsonData::fromValidQJsonObject(const QJsonObject& json) {
    presence_ = presenceFromInt(json.value(keyOf(propertyNames[HasOccurred])).toInt());
    readNested(json, propertyNames[FirstSeen], firstSeen_);
    readNested(json, propertyNames[LastSeen], lastSeen_);
}

QVariant AncEventJsonData::getDataForProperty(Properties property) const {
    return property == HasOccurred ? QVariant(static_cast<int>(presence_)) : QVariant();
}

bool AncEventJsonData::setDataForProperty(Properties property, const QVariant& value) {
    if (!value.isValid() || property == PropertiesCount) {
        return false;
    }
    if (property == HasOccurred) {
        // A text that is no number sets NotPresent and still counts as set.
        presence_ = presenceFromInt(value.toInt());
    }
    return true;
}

void AncEventJsonData::fromAncEvent(const AncPacketStatus::AncEvent& event, qint64 nowMs) {
    firstSeen_.fromAncTime(event.firstSeen);
    lastSeen_.fromAncTime(event.lastSeen);
    // A last-seen time ahead of the local clock also counts as "just seen".
    const qint64 age = nowMs - static_cast<qint64>(event.lastSeen.wallClockMs);
    if (age < presenceWindowMs) {
        presence_ = Present;
    } else {
        presence_ = event.occurred ? PreviouslyPresent : NotPresent;
    }
}

// ---- AncillaryStatusJsonData

void AncillaryStatusJsonData::toCustomQJsonObject(QJsonObject& json) const {
    json.insert(keyOf(propertyNames[VirtualInterface]), static_cast<int>(virtualInterface_));
    json.insert(keyOf(propertyNames[PacketType]), static_cast<int>(packetType_));
    json.insert(keyOf(propertyNames[Presence]), presence_.toQJsonObject());
    json.insert(keyOf(propertyNames[ChecksumError]), checksumError_.toQJsonObject());
    json.insert(keyOf(propertyNames[ParityError]), parityError_.toQJsonObject());
    if (packetType_ == 1) {
        json.insert(keyOf(propertyNames[DataBlockNumberError]),
                    dataBlockNumberError_.toQJsonObject());
    }
}

void AncillaryStatusJsonData::fromValidQJsonObject(const QJsonObject& json) {
    virtualInterface_ =
        static_cast<unsigned int>(json.value(keyOf(propertyNames[VirtualInterface])).toInt());
    packetType_ = static_cast<unsigned int>(json.value(keyOf(propertyNames[PacketType])).toInt());
    readNested(json, propertyNames[Presence], presence_);
    readNested(json, propertyNames[ChecksumError], checksumError_);
    readNested(json, propertyNames[ParityError], parityError_);
    dataBlockNumberError_ = AncEventJsonData();
    if (packetType_ == 1) {
        readNested(json, propertyNames[DataBlockNumberError], dataBlockNumberError_);
    }
}

QVariant AncillaryStatusJsonData::getDataForProperty(Properties property) const {
    switch (property) {
        case VirtualInterface:
            return virtualInterface_;
        case PacketType:
            return packetType_;
        default:
            return {};
    }
}

bool AncillaryStatusJsonData::setDataForProperty(Properties property, const QVariant& value) {
    if (!value.isValid()) {
        return false;
    }
    switch (property) {
        case VirtualInterface:
            return storeUInt(value, virtualInterface_);
        case PacketType:
            return storeUInt(value, packetType_);
        case Presence:
        case ChecksumError:
        case ParityError:
        case DataBlockNumberError:
        case PropertiesCount:
            return false;
    }
    return true;
}

// ---- AncillaryStatusEntryJsonData

void AncillaryStatusEntryJsonData::toCustomQJsonObject(QJsonObject& json) const {
    json.insert(keyOf(propertyNames[PacketType]), packetType_);
    json.insert(keyOf(propertyNames[DataId]), dataId_);
    if (packetType_ == 2) {
        json.insert(keyOf(propertyNames[SubDataId]), subDataId_);
    }
    QJsonArray array;
    virtualInterfaces_.toQJsonArray(array);
    json.insert(keyOf(propertyNames[VirtualInterfaceArray]), array);
}

void AncillaryStatusEntryJsonData::fromValidQJsonObject(const QJsonObject& json) {
    packetType_ = json.value(keyOf(propertyNames[PacketType])).toInt();
    dataId_ = json.value(keyOf(propertyNames[DataId])).toInt();
    subDataId_ = packetType_ == 2 ? json.value(keyOf(propertyNames[SubDataId])).toInt() : 0;
    virtualInterfaces_.clear();
    virtualInterfaces_.appendFromQJsonArray(
        json.value(keyOf(propertyNames[VirtualInterfaceArray])).toArray());
}

QVariant AncillaryStatusEntryJsonData::getDataForProperty(Properties property) const {
    switch (property) {
        case PacketType:
            return packetType_;
        case DataId:
            return dataId_;
        case SubDataId:
            return subDataId_;
        default:
            return {};
    }
}

bool AncillaryStatusEntryJsonData::setDataForProperty(Properties property, const QVariant& value) {
    if (!value.isValid()) {
        return false;
    }
    switch (property) {
        case PacketType:
            return storeInt(value, packetType_);
        case DataId:
            return storeInt(value, dataId_);
        case SubDataId:
            return storeInt(value, subDataId_);
        case VirtualInterfaceArray:
        case PropertiesCount:
            return false;
    }
    return true;
}

quint16 AncillaryStatusEntryJsonData::getKey() const {
    const auto did = static_cast<quint16>(dataId_ & 0xFF);
    if (packetType_ != 2) {
        return did;
    }
    return static_cast<quint16>(did | ((subDataId_ & 0xFF) << 8));
}

// ---- AncillaryStatusOverviewJsonData

void AncillaryStatusOverviewJsonData::toCustomQJsonObject(QJsonObject& json) const {
    json.insert(keyOf(propertyNames[Key]), static_cast<int>(key_));
    json.insert(keyOf(propertyNames[State]), static_cast<int>(state_));
}

void AncillaryStatusOverviewJsonData::fromValidQJsonObject(const QJsonObject& json) {
    key_ = readUInt16(json.value(keyOf(propertyNames[Key])));
    state_ = readUInt16(json.value(keyOf(propertyNames[State])));
}

QVariant AncillaryStatusOverviewJsonData::getDataForProperty(Properties property) const {
    switch (property) {
        case Key:
            return static_cast<unsigned int>(key_);
        case State:
            return static_cast<unsigned int>(state_);
        default:
            return {};
    }
}

bool AncillaryStatusOverviewJsonData::setDataForProperty(Properties property,
                                                         const QVariant& value) {
    if (!value.isValid() || property == PropertiesCount) {
        return false;
    }
    if (property != Key && property != State) {
        return true;
    }
    bool ok = false;
    const unsigned int number = value.toUInt(&ok);
    if (!ok || number > 0xFFFF) {
        return false;
    }
    (property == Key ? key_ : state_) = static_cast<quint16>(number);
    return true;
}

}  // namespace Corvane
