#include "packets/SerialisableDataPacket.h"

#include "app/JsonText.h"
#include "app/Logging.h"
#include "packets/DatacorePathRadixTreePacket.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QtEndian>
#include <algorithm>
#include <ostream>

namespace Corvane {
namespace {

// Room reserved up front for a JSON payload: most packets fit, so building
// one normally costs a single allocation.
constexpr int reservedPayloadBytes = 1500;
constexpr int lengthPrefixBytes = 4;

bool holdsNamedPacket(const QJsonValue& value) {
    if (!value.isObject()) {
        return false;
    }
    const QJsonValue name = value.toObject().value(SerialisableDataPacket::classKey);
    return name.isString() && !name.toString().isEmpty();
}

}  // namespace

SerialisableDataPacket::SerialisableDataPacket(QString className) {
    if (className.isEmpty()) {
        logLine(LogLevel::info, "SerialisableDataPacket MUST HAVE CLASS NAME");
        return;
    }
    object_.insert(classKey, className);
}

namespace {
// What a packet from a peer may make us hold, in parseJson's count: a path
// tree of the most datacores a server may serve (an object, its name's
// separator, its kids' array and the comma before it: four per datacore) and
// the packet's own keys. A larger text is refused before Qt builds it: a tree
// of 200,000 datacores in 3.5 MB raised the client's peak by 6 MB instead of 43.
constexpr qint64 maxReceivedValues = 4 * qint64{DatacorePathRadixTreePacket::maxDatacores} + 64;
}  // namespace

SerialisableDataPacket::SerialisableDataPacket(const QByteArray& frame, int payloadLength)
    : RawDataPacket(frame) {
    // The length prefix is skipped unread: the frame header already bounds
    // the text, and a prefix that disagrees must not widen what is parsed.
    const int end = std::clamp(payloadLength, 0, payload_.size());
    const int textSize = std::max(0, end - lengthPrefixBytes);
    const QByteArray text =
        QByteArray::fromRawData(payload_.constData() + std::min(end, lengthPrefixBytes), textSize);
    const JsonParseResult parsed = parseJson(text, maxReceivedValues);
    if (!parsed.ok()) {
        logf(LogLevel::info, "SerialisablePacket failed to parse packet {}", parsed.message);
        object_ = QJsonObject{{classKey, QString()}};
        return;
    }
    object_ = parsed.document.object();
}

SerialisableDataPacket::~SerialisableDataPacket() = default;

SerialisableDataPacket SerialisableDataPacket::fromJson(QJsonObject object) {
    SerialisableDataPacket packet;
    packet.object_ = std::move(object);
    return packet;
}

SerialisableDataPacket SerialisableDataPacket::deserialise(QByteArray text,
                                                           QJsonParseError& error) {
    const JsonParseResult parsed = parseJson(text, maxReceivedValues);
    error = parsed.error;
    if (!parsed.ok()) {
        logf(LogLevel::info, "SerialisablePacket failed to parse packet: {}", parsed.message);
    }
    return fromJson(parsed.document.object());
}

QString SerialisableDataPacket::getPacketClassName() const {
    return object_.value(classKey).toString();
}

QByteArray SerialisableDataPacket::serialise() const {
    return QJsonDocument(object_).toJson(QJsonDocument::Compact);
}

int SerialisableDataPacket::serialiseTo(QByteArray& out) const {
    const int before = out.size();
    out.append(serialise());
    return out.size() - before;
}

QByteArray SerialisableDataPacket::getSerialisedPayloadForTransmit() const {
    QByteArray payload;
    payload.reserve(reservedPayloadBytes);
    payload.append(lengthPrefixBytes, '\0');
    const int textSize = serialiseTo(payload);
    qToBigEndian<quint32>(static_cast<quint32>(textSize), payload.data());
    return payload;
}

quint16 SerialisableDataPacket::getPacketIdentifier() const {
    return PacketIdentifier::serialisable;
}

void SerialisableDataPacket::insertOtherPacketIntoThis(QString key,
                                                       const SerialisableDataPacket& other) {
    object_.insert(key, other.object_);
}

SerialisableDataPacket SerialisableDataPacket::extractOtherPacketFromThis(QString key,
                                                                          bool& ok) const {
    const QJsonValue value = object_.value(key);
    ok = holdsNamedPacket(value);
    return ok ? fromJson(value.toObject()) : SerialisableDataPacket();
}

void SerialisableDataPacket::insertOtherPacketsIntoThis(
    QString key, std::vector<SerialisableDataPacket>& packets) {
    QJsonArray array;
    for (const SerialisableDataPacket& packet : packets) {
        array.append(packet.object_);
    }
    object_.insert(key, array);
}

std::vector<SerialisableDataPacket> SerialisableDataPacket::extractOtherPacketsFromThis(
    QString key, bool& ok) const {
    std::vector<SerialisableDataPacket> packets;
    const QJsonValue value = object_.value(key);
    ok = value.isArray();
    if (!ok) {
        return packets;
    }
    const QJsonArray array = value.toArray();
    packets.reserve(static_cast<size_t>(array.size()));
    for (const QJsonValue& item : array) {
        if (holdsNamedPacket(item)) {
            packets.push_back(fromJson(item.toObject()));
        } else {
            ok = false;
        }
    }
    return packets;
}

std::ostream& operator<<(std::ostream& out, const SerialisableDataPacket& packet) {
    return out << QJsonDocument(packet.getJsonObject()).toJson(QJsonDocument::Indented).constData();
}

}  // namespace Corvane
