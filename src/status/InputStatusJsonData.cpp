#include "status/InputStatusJsonData.h"

namespace Corvane {

QString* LaneStatusJsonData::textField(Properties property) {
    switch (property) {
        case TotalHorizontalPixels:
            return &totalHorizontalPixels_;
        case TotalVerticalPixelsProgressiveOrField1:
            return &totalVerticalPixelsField1_;
        case TotalVerticalPixelsField2:
            return &totalVerticalPixelsField2_;
        case ActiveHorizontalPixels:
            return &activeHorizontalPixels_;
        case ActiveVerticalPixelsProgressiveOrField1:
            return &activeVerticalPixelsField1_;
        case ActiveVerticalPixelsField2:
            return &activeVerticalPixelsField2_;
        case Smpte352PacketLinkAchannelCPosition:
            return &linkACPosition_;
        case Smpte352PacketLinkBchannelCPosition:
            return &linkBCPosition_;
        case Smpte352PacketLinkAchannelYPosition:
            return &linkAYPosition_;
        case Smpte352PacketLinkBchannelYPosition:
            return &linkBYPosition_;
        default:
            return nullptr;
    }
}

bool* LaneStatusJsonData::flagField(Properties property) {
    switch (property) {
        case IsProgressiveFlag:
            return &isProgressive_;
        case IsLevelBFlag:
            return &isLevelB_;
        case IsStableFlag:
            return &isStable_;
        case Smpte352PacketLinkAchannelCpositionDetectedFlag:
            return &linkACPositionDetected_;
        case Smpte352PacketLinkBchannelCpositionDetectedFlag:
            return &linkBCPositionDetected_;
        case Smpte352PacketLinkAchannelYpositionDetectedFlag:
            return &linkAYPositionDetected_;
        case Smpte352PacketLinkBchannelYpositionDetectedFlag:
            return &linkBYPositionDetected_;
        default:
            return nullptr;
    }
}

void LaneStatusJsonData::toCustomQJsonObject(QJsonObject& json) const {
    for (int i = 0; i < PropertiesCount; ++i) {
        const auto property = static_cast<Properties>(i);
        const QLatin1String key(propertyNames[i]);
        if (const QString* text = textField(property)) {
            json.insert(key, *text);
        } else if (const bool* flag = flagField(property)) {
            json.insert(key, *flag);
        }
    }
}

void LaneStatusJsonData::fromValidQJsonObject(const QJsonObject& json) {
    for (int i = 0; i < PropertiesCount; ++i) {
        const auto property = static_cast<Properties>(i);
        const QJsonValue value = json.value(QLatin1String(propertyNames[i]));
        if (QString* text = textField(property)) {
            *text = value.toString();
        } else if (bool* flag = flagField(property)) {
            *flag = value.toBool();
        }
    }
}

QVariant LaneStatusJsonData::getDataForProperty(Properties property) const {
    if (const QString* text = textField(property)) {
        return *text;
    }
    if (const bool* flag = flagField(property)) {
        return *flag;
    }
    return {};
}

bool LaneStatusJsonData::setDataForProperty(Properties property, const QVariant& value) {
    if (!value.isValid() || property == PropertiesCount) {
        return false;
    }
    if (QString* text = textField(property)) {
        *text = value.toString();
    } else if (bool* flag = flagField(property)) {
        *flag = value.toBool();
    }
    return true;
}

void LaneStatusJsonData::setFrameData(int totalHorizontal, int totalVerticalField1,
                                      int totalVerticalField2, int activeHorizontal,
                                      int activeVerticalField1, int activeVerticalField2,
                                      bool isLevelB, bool isProgressive) {
    isLevelB_ = isLevelB;
    isProgressive_ = isProgressive;
    const QString suffix = isLevelB ? QStringLiteral(" (B mux)") : QString();
    totalHorizontalPixels_ = QString::number(totalHorizontal) + suffix;
    activeHorizontalPixels_ = QString::number(activeHorizontal) + suffix;
    totalVerticalPixelsField1_ = QString::number(totalVerticalField1);
    activeVerticalPixelsField1_ = QString::number(activeVerticalField1);
    if (isProgressive) {
        totalVerticalPixelsField2_ = QStringLiteral("progressive");
        activeVerticalPixelsField2_ = QStringLiteral("progressive");
    } else {
        totalVerticalPixelsField2_ = QString::number(totalVerticalField2);
        activeVerticalPixelsField2_ = QString::number(activeVerticalField2);
    }
}

}  // namespace Corvane
