#pragma once

#include "status/AncPacketStatus.h"
#include "status/SimpleJsonObject.h"

#include <QDateTime>
#include <QPair>
#include <QPalette>
#include <QString>
#include <QtGlobal>

class QStandardItem;

namespace Corvane {

// Role of the numeric value behind an item's text in the status tree.
inline constexpr int ancValueRole = Qt::UserRole + 1;

// A start/end time pair in the monitor's time base.
class AncTimeJsonData : public SimpleJsonObject {
public:
    enum Properties : int { StartTime, EndTime, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"startTime", "endTime"};

    QString getClassName() const override { return QStringLiteral("AncTimeJsonData"); }
    void toCustomQJsonObject(QJsonObject& json) const override;
    void fromValidQJsonObject(const QJsonObject& json) override;

    QVariant getDataForProperty(Properties property) const;
    bool setDataForProperty(Properties property, const QVariant& value);

    int getStartTime() const { return startTime_; }
    void setStartTime(int time) { startTime_ = time; }
    int getEndTime() const { return endTime_; }
    void setEndTime(int time) { endTime_ = time; }

    void fromAncTime(const AncPacketStatus::AncTime& time);

    // Start and end time in decimal as child rows 0 and 1 of item.
    void toStandardItem(QStandardItem* item) const;

private:
    int startTime_ = 0;
    int endTime_ = 0;
};

// One monitored event: whether it is present now, was present before or never
// occurred, with the times it was first and last seen.
class AncEventJsonData : public SimpleJsonObject {
public:
    enum Presence : int { NotPresent = 0, PreviouslyPresent = 1, Present = 2 };
    enum Properties : int { HasOccurred, FirstSeen, LastSeen, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"presence", "firstSeen",
                                                                   "lastSeen"};
    // An event last seen less than this long ago counts as present now.
    static constexpr qint64 presenceWindowMs = 100;

    QString getClassName() const override { return QStringLiteral("AncEventJsonData"); }
    void toCustomQJsonObject(QJsonObject& json) const override;
    void fromValidQJsonObject(const QJsonObject& json) override;

    QVariant getDataForProperty(Properties property) const;
    bool setDataForProperty(Properties property, const QVariant& value);

    Presence getHasOccurred() const { return presence_; }
    void setHasOccurred(Presence presence) { presence_ = presence; }
    AncTimeJsonData getFirstSeen() const { return firstSeen_; }
    void setFirstSeen(const AncTimeJsonData& time) { firstSeen_ = time; }
    AncTimeJsonData getLastSeen() const { return lastSeen_; }
    void setLastSeen(const AncTimeJsonData& time) { lastSeen_ = time; }

    // nowMs is the current wall-clock time in milliseconds since the epoch.
    void fromAncEvent(const AncPacketStatus::AncEvent& event,
                      qint64 nowMs = QDateTime::currentMSecsSinceEpoch());

    // Child (0, 0) shows the presence; when present now or before, children 1
    // and 2 hold the first- and last-seen times, otherwise they are removed.
    void toStandardItem(QStandardItem* item) const;

    // Values outside 0..2 (from a foreign document) read as NotPresent.
    static Presence presenceFromInt(int value);
    static QString presenceText(Presence presence);

private:
    Presence presence_ = NotPresent;
    AncTimeJsonData firstSeen_;
    AncTimeJsonData lastSeen_;
};

// The state of one packet type on one virtual interface (link and C/Y
// position): presence and the three kinds of error. Data block numbers exist
// in type 1 packets only.
class AncillaryStatusJsonData : public SimpleJsonObject {
public:
    enum Properties : int {
        Presence,
        ChecksumError,
        ParityError,
        DataBlockNumberError,
        VirtualInterface,
        PacketType,
        PropertiesCount
    };
    static constexpr const char* propertyNames[PropertiesCount] = {
        "presence",         "checksumError", "parityError", "dataBlockNumberError",
        "virtualInterface", "packetType"};

    QString getClassName() const override { return QStringLiteral("AncillaryStatusJsonData"); }
    void toCustomQJsonObject(QJsonObject& json) const override;
    void fromValidQJsonObject(const QJsonObject& json) override;

    // Virtual interface and packet type as unsigned integers; the events are
    // nested documents and give an invalid value.
    QVariant getDataForProperty(Properties property) const;
    // The two integers via toInt, true when the conversion succeeds; the
    // nested events are never changed here and give false, like the count.
    bool setDataForProperty(Properties property, const QVariant& value);

    AncEventJsonData getPresence() const { return presence_; }
    void setPresence(const AncEventJsonData& event) { presence_ = event; }
    AncEventJsonData getChecksumError() const { return checksumError_; }
    void setChecksumError(const AncEventJsonData& event) { checksumError_ = event; }
    AncEventJsonData getParityError() const { return parityError_; }
    void setParityError(const AncEventJsonData& event) { parityError_ = event; }
    AncEventJsonData getDataBlockNumberError() const { return dataBlockNumberError_; }
    void setDataBlockNumberError(const AncEventJsonData& event) { dataBlockNumberError_ = event; }
    unsigned int getVirtualInterfaceNumber() const { return virtualInterface_; }
    void setycChannelNumber(unsigned int number) { virtualInterface_ = number; }
    unsigned int getPacketType() const { return packetType_; }
    void setPacketType(unsigned int type) { packetType_ = type; }

    // Fills columns 0 to 4 of the given row of parent, reusing items present.
    void toStandardItem(QStandardItem* parent, int row, QPalette palette) const;

private:
    AncEventJsonData presence_;
    AncEventJsonData checksumError_;
    AncEventJsonData parityError_;
    AncEventJsonData dataBlockNumberError_;
    unsigned int virtualInterface_ = 0;
    unsigned int packetType_ = 0;
};

// Virtual-interface statuses of one packet type.
class VirtualInterfaceArrayJsonData : public SimpleJsonListDocument<AncillaryStatusJsonData> {
public:
    enum Properties : int { VirtualInterfaceArray, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"virtualInterfaceArray"};

    VirtualInterfaceArrayJsonData()
        : SimpleJsonListDocument(propertyNames[VirtualInterfaceArray]) {}
    QString getClassName() const override {
        return QStringLiteral("VirtualInterfaceArrayJsonData");
    }
    QList<AncillaryStatusJsonData>& getVirtualInterfaceArrayAsList() { return list_; }
    const QList<AncillaryStatusJsonData>& getVirtualInterfaceArrayAsConstList() const {
        return list_;
    }
};

// One packet type (DID, and SDID for type 2) with its status on every virtual
// interface where it was seen.
class AncillaryStatusEntryJsonData : public SimpleJsonObject {
public:
    enum Properties : int { PacketType, DataId, SubDataId, VirtualInterfaceArray, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {
        "packetType", "dataId", "subDataId", "virtualInterfaceArray"};

    QString getClassName() const override { return QStringLiteral("AncillaryStatusEntryJsonData"); }
    void toCustomQJsonObject(QJsonObject& json) const override;
    void fromValidQJsonObject(const QJsonObject& json) override;

    QVariant getDataForProperty(Properties property) const;
    bool setDataForProperty(Properties property, const QVariant& value);

    int getPacketType() const { return packetType_; }
    void setPacketType(int type) { packetType_ = type; }
    int getDataId() const { return dataId_; }
    void setDataId(int did) { dataId_ = did; }
    int getSubDataId() const { return subDataId_; }
    void setSubDataId(int sdid) { subDataId_ = sdid; }
    QList<AncillaryStatusJsonData>& getChannelArrayAsList() { return virtualInterfaces_; }
    const QList<AncillaryStatusJsonData>& getVirtualInterfaceArrayAsConstList() const {
        return virtualInterfaces_;
    }

    // DID in the low byte; for type 2 packets the SDID in the high byte.
    quint16 getKey() const;

    // Fills the given row of parent with this packet type and one child row
    // per virtual interface.
    void toStandardItem(QStandardItem* parent, int row, QPalette palette) const;

private:
    int packetType_ = 0;
    int dataId_ = 0;
    int subDataId_ = 0;
    SimpleJsonArray<AncillaryStatusJsonData> virtualInterfaces_;
};

// Groups under which the status view files packet types.
enum AncStatusTopLevelItem : int {
    S353MpegRecoding = 0,
    S305Sdti,
    S348HdSdti,
    S427LinkEncryption,
    S352PayloadId,
    S2016_3Afd,
    S2016_4PanScan,
    S2010AnsiScte,
    S2031DvbScte,
    S2056MpegTs,
    S2068Packing3D,
    S2064LipSync,
    ItuRBt1685,
    Op47Caption,
    Op47VbiWst,
    AribTrB29,
    Rdd18Metadata,
    Rp214KlvMetadata,
    Rp223UmidId,
    S2020Audio,
    S2051TwoFrame,
    Rdd8Wss,
    Rp215FilmCodes,
    S12M2TimeCode,
    Eia708Caption,
    Eia608Caption,
    Rp207Program,
    S334_1Data,
    Rp208VbiData,
    MarkDeleted,
    S299_2Audio3G,
    S299_1AudioHd,
    S272AudioSd,
    S315CameraPosition,
    Rp165Edh,
    NoTopLevelItem  // 35: the key belongs to no group
};

// The virtual-interface statuses of every packet type, as one flat list.
class AncillaryStatusArrayJsonData : public SimpleJsonListDocument<AncillaryStatusJsonData> {
public:
    enum Properties : int { AncillaryStatusArray, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"ancillaryStatusArray"};

    AncillaryStatusArrayJsonData() : SimpleJsonListDocument(propertyNames[AncillaryStatusArray]) {}
    QString getClassName() const override { return QStringLiteral("AncillaryStatusArrayJsonData"); }
    QList<AncillaryStatusJsonData>& getAncillaryStatusArrayAsList() { return list_; }
    const QList<AncillaryStatusJsonData>& getAncillaryStatusArrayAsConstList() const {
        return list_;
    }

    static AncStatusTopLevelItem getAncStatusTopLevelItemforKey(quint16 key);
    // Title and tool tip of a group; "ERROR" for both outside 0..34.
    static QPair<QString, QString> getTitleAndToolTipForTopLevelItem(AncStatusTopLevelItem item);
    // Title and tool tip of a packet key: its own, its group's, or the DID
    // (and SDID) in hexadecimal with the tool tip "Unknown".
    static QPair<QString, QString> getTitleAndToolTipByKey(quint16 key);
};

// Every packet type the monitor has seen.
class AncillaryStatusEntryArrayJsonData
    : public SimpleJsonListDocument<AncillaryStatusEntryJsonData> {
public:
    enum Properties : int { AncillaryStatusEntryArray, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"ancillaryStatusEntryArray"};

    AncillaryStatusEntryArrayJsonData()
        : SimpleJsonListDocument(propertyNames[AncillaryStatusEntryArray]) {}
    QString getClassName() const override {
        return QStringLiteral("AncillaryStatusEntryArrayJsonData");
    }
    QList<AncillaryStatusEntryJsonData>& getAncillaryStatusEntryArrayAsList() { return list_; }
    const QList<AncillaryStatusEntryJsonData>& getAncillaryStatusEntryArrayAsConstList() const {
        return list_;
    }

    // Entry i fills row i of root; rows beyond the entries are removed.
    void toStandardItem(QStandardItem* root, QPalette palette) const;
};

// A packet key with a state value. The meaning of the state belongs to the
// monitor that produces it; here it is only carried.
class AncillaryStatusOverviewJsonData : public SimpleJsonObject {
public:
    enum Properties : int { Key, State, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"key", "state"};

    QString getClassName() const override { return QStringLiteral("AncStatusOverview"); }
    void toCustomQJsonObject(QJsonObject& json) const override;
    // A value outside 0..65535 reads as 0.
    void fromValidQJsonObject(const QJsonObject& json) override;

    QVariant getDataForProperty(Properties property) const;
    // Key and state via toUInt; true when the conversion succeeds and the value
    // fits in 16 bits (otherwise nothing is stored).
    bool setDataForProperty(Properties property, const QVariant& value);

    quint16 getKey() const { return key_; }
    void setKey(quint16 key) { key_ = key; }
    quint16 getState() const { return state_; }
    void setState(quint16 state) { state_ = state; }

private:
    quint16 key_ = 0;
    quint16 state_ = 0;
};

class AncillaryStatusOverviewArrayJsonData
    : public SimpleJsonListDocument<AncillaryStatusOverviewJsonData> {
public:
    enum Properties : int { AncillaryStatusOverviewArray, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"ancillaryStatusOverviewArray"};

    AncillaryStatusOverviewArrayJsonData()
        : SimpleJsonListDocument(propertyNames[AncillaryStatusOverviewArray]) {}
    QString getClassName() const override { return QStringLiteral("AncStatusOverviewArray"); }
    QList<AncillaryStatusOverviewJsonData>& getAncillaryStatusOverviewArrayAsList() {
        return list_;
    }
    const QList<AncillaryStatusOverviewJsonData>& getAncillaryStatusOverviewArrayAsConstList()
        const {
        return list_;
    }
};

}  // namespace Corvane
