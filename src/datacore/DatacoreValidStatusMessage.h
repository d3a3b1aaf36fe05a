#pragma once

#include "datacore/MessageBase.h"

namespace Corvane {

// One reason why a datacore is invalid. buildMessage makes an object without
// the class key an undefined message with content noReason (0).
class DatacoreValidStatusMessage : public ClassKeyedMessage<DatacoreValidStatusMessage, 0> {
public:
    enum MessageContent : int {
        noReason = 0,
        unexplained = 1,
        integerOversized = 2,
        integerUndersized = 3,
        numberOversized = 4,
        numberUndersized = 5,
        notIntegralType = 6,
        notFloatingPointType = 7,
        notInt = 8,
        notEnumValue = 9,
        notBoolean = 10,
        notVideoStandardUserDescription = 11,
        notFalseColourOverlayRangesSummary = 12,
        notSfpData = 13,
        notActivePictureCrcValuesList = 14,
        notDesiredType = 15,
        arrayTooFewItems = 16,
        arrayTooManyItems = 17,
        arrayDuplicateItems = 18,
        pictureBeyondViewableArea = 19,
        payloadIdentifierMissing = 20,
        valueNotSupported = 21,
        configurationInvalid = 22,
        noSpaceForPathologicalPairs = 23,
        notVideoStandard = 24,
        ipV4AddressZero = 25,
        invalidMacAddress = 26,
        ipV4OutsideMulticastRange = 27,
        ipV4InReservedMulticastRange = 28,
        ipV4InsideMulticastRange = 29,
        interPacketDistributionInvalid = 30,
    };

    static constexpr const char* className = "DatacoreValidStatusMessage";

    DatacoreValidStatusMessage(MessageType type, MessageContent content);
    explicit DatacoreValidStatusMessage(const QJsonObject& json);

    QString getText() const override;
};

}  // namespace Corvane
