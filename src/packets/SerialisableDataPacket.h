#pragma once

#include "packets/RawDataPacket.h"

#include <QJsonObject>
#include <QString>
#include <iosfwd>
#include <utility>
#include <vector>

struct QJsonParseError;

namespace Corvane {

// A packet whose payload is a JSON object. Its "Class" key names the kind of
// packet; the distributor routes on it. Every JSON packet travels with the
// identifier PacketIdentifier::serialisable whatever its class.
//
// Payload on the wire: 4-byte big-endian length N, then N bytes of compact
// UTF-8 JSON text.
class SerialisableDataPacket : public RawDataPacket {
public:
    static constexpr const char* classKey = "Class";

    SerialisableDataPacket() = default;
    // An object whose "Class" is `className`; an empty name leaves the object
    // empty and logs the mistake.
    explicit SerialisableDataPacket(QString className);
    // Builds the packet from a received frame at the front of `frame`; the
    // JSON text is the payload from offset 4 up to `payloadLength` (bounded
    // by what the frame really holds). Text that does not parse gives an
    // object with an empty "Class", so no acceptor takes it.
    SerialisableDataPacket(const QByteArray& frame, int payloadLength);
    ~SerialisableDataPacket() override;

    SerialisableDataPacket(const SerialisableDataPacket&) = default;
    SerialisableDataPacket(SerialisableDataPacket&&) = default;
    SerialisableDataPacket& operator=(const SerialisableDataPacket&) = default;
    SerialisableDataPacket& operator=(SerialisableDataPacket&&) = default;

    static SerialisableDataPacket fromJson(QJsonObject object);
    static SerialisableDataPacket deserialise(QByteArray text, QJsonParseError& error);

    // The "Class" string; empty when absent or not a string.
    QString getPacketClassName() const;

    const QJsonObject& getJsonObject() const { return object_; }
    void setJsonObject(QJsonObject object) { object_ = std::move(object); }

    // The object as compact JSON text.
    QByteArray serialise() const;
    // Appends serialise() to `out`; returns the number of bytes appended.
    int serialiseTo(QByteArray& out) const;

    QByteArray getSerialisedPayloadForTransmit() const override;
    quint16 getPacketIdentifier() const override;

    void insertOtherPacketIntoThis(QString key, const SerialisableDataPacket& other);
    // `ok` only when `key` holds an object with a non-empty string "Class";
    // otherwise the result is an empty packet.
    SerialisableDataPacket extractOtherPacketFromThis(QString key, bool& ok) const;
    void insertOtherPacketsIntoThis(QString key, std::vector<SerialisableDataPacket>& packets);
    // Items that are not objects with a non-empty string "Class" are skipped
    // and clear `ok`; a missing key or a non-array value gives nothing.
    std::vector<SerialisableDataPacket> extractOtherPacketsFromThis(QString key, bool& ok) const;

    // Packets compare by their JSON objects only.
    bool operator==(const SerialisableDataPacket& other) const { return object_ == other.object_; }
    bool operator!=(const SerialisableDataPacket& other) const { return !(*this == other); }

protected:
    QJsonObject object_;
};

// Indented JSON text of the packet's object, for log lines.
std::ostream& operator<<(std::ostream& out, const SerialisableDataPacket& packet);

}  // namespace Corvane
