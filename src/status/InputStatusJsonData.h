#pragma once

#include "status/SimpleJsonObject.h"

namespace Corvane {

// One lane of an SDI input (a link or sub-stream): its raster as display
// texts, its scan flags and the ST 352 packets found on links A and B.
class LaneStatusJsonData : public SimpleJsonObject {
public:
    enum Properties : int {
        TotalHorizontalPixels,
        TotalVerticalPixelsProgressiveOrField1,
        TotalVerticalPixelsField2,
        ActiveHorizontalPixels,
        ActiveVerticalPixelsProgressiveOrField1,
        ActiveVerticalPixelsField2,
        IsProgressiveFlag,
        IsLevelBFlag,
        IsStableFlag,
        Smpte352PacketLinkAchannelCpositionDetectedFlag,
        Smpte352PacketLinkBchannelCpositionDetectedFlag,
        Smpte352PacketLinkAchannelYpositionDetectedFlag,
        Smpte352PacketLinkBchannelYpositionDetectedFlag,
        Smpte352PacketLinkAchannelCPosition,
        Smpte352PacketLinkBchannelCPosition,
        Smpte352PacketLinkAchannelYPosition,
        Smpte352PacketLinkBchannelYPosition,
        PropertiesCount
    };
    static constexpr const char* propertyNames[PropertiesCount] = {
        "TotalHorizontalPixels",
        "TotalVerticalPixelsProgressiveOrField1",
        "TotalVerticalPixelsField2",
        "ActiveHorizontalPixels",
        "ActiveVerticalPixelsProgressiveOrField1",
        "ActiveVerticalPixelsField2",
        "IsProgressiveFlag",
        "IsLevelBFlag",
        "IsStableFlag",
        "Smpte352PacketLinkAchannelCpositionDetectedFlag",
        "Smpte352PacketLinkBchannelCpositionDetectedFlag",
        "Smpte352PacketLinkAchannelYpositionDetectedFlag",
        "Smpte352PacketLinkBchannelYpositionDetectedFlag",
        "Smpte352PacketLinkAchannelCPosition",
        "Smpte352PacketLinkBchannelCPosition",
        "Smpte352PacketLinkAchannelYPosition",
        "Smpte352PacketLinkBchannelYPosition"};

    QString getClassName() const override { return QStringLiteral("LaneStatusData"); }
    void toCustomQJsonObject(QJsonObject& json) const override;
    void fromValidQJsonObject(const QJsonObject& json) override;

    // Texts as strings, flags as bools; invalid for anything else.
    QVariant getDataForProperty(Properties property) const;
    // False for an invalid value and for the count; true otherwise.
    bool setDataForProperty(Properties property, const QVariant& value);

    // Formats the raster: " (B mux)" after the horizontal sizes of a level B
    // signal, "progressive" for the field 2 line counts of a progressive one.
    // The stable flag and the ST 352 properties are left alone.
    void setFrameData(int totalHorizontal, int totalVerticalField1, int totalVerticalField2,
                      int activeHorizontal, int activeVerticalField1, int activeVerticalField2,
                      bool isLevelB, bool isProgressive);

private:
    QString* textField(Properties property);
    bool* flagField(Properties property);
    const QString* textField(Properties property) const {
        return const_cast<LaneStatusJsonData*>(this)->textField(property);
    }
    const bool* flagField(Properties property) const {
        return const_cast<LaneStatusJsonData*>(this)->flagField(property);
    }

    QString totalHorizontalPixels_;
    QString totalVerticalPixelsField1_;
    QString totalVerticalPixelsField2_;
    QString activeHorizontalPixels_;
    QString activeVerticalPixelsField1_;
    QString activeVerticalPixelsField2_;
    bool isProgressive_ = false;
    bool isLevelB_ = false;
    bool isStable_ = false;
    bool linkACPositionDetected_ = false;
    bool linkBCPositionDetected_ = false;
    QString linkACPosition_;
    QString linkBCPosition_;
    bool linkAYPositionDetected_ = false;
    bool linkBYPositionDetected_ = false;
    QString linkAYPosition_;
    QString linkBYPosition_;
};

// One SDI input as the list of its lanes.
class InputStatusJsonData : public SimpleJsonListDocument<LaneStatusJsonData> {
public:
    enum Properties : int { LaneStatusArray, PropertiesCount };
    static constexpr const char* propertyNames[PropertiesCount] = {"LaneStatusArray"};

    InputStatusJsonData() : SimpleJsonListDocument(propertyNames[LaneStatusArray]) {}
    QString getClassName() const override { return QStringLiteral("InputStatusData"); }

    SimpleJsonArray<LaneStatusJsonData>& getLaneStatusArray() { return list_; }
    const SimpleJsonArray<LaneStatusJsonData>& getLaneStatusArray() const { return list_; }
};

}  // namespace Corvane
