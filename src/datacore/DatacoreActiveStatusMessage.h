#pragma once

#include "datacore/MessageBase.h"

namespace Corvane {

// One reason why a datacore is inactive. buildMessage makes an object without
// the class key an undefined message with content noReason (0).
class DatacoreActiveStatusMessage : public ClassKeyedMessage<DatacoreActiveStatusMessage, 0> {
public:
    enum MessageContent : int {
        noReason = 0,
        unexplained = 1,
        commandExecutorBusy = 2,
        notCurrentlyNeeded = 3,
        notSupportedForVideoStandard = 4,
        childDatacoresInvalid = 5,
        reserved = 6,
    };

    static constexpr const char* className = "DatacoreActiveStatusMessage";

    DatacoreActiveStatusMessage(MessageType type, MessageContent content);
    explicit DatacoreActiveStatusMessage(const QJsonObject& json);

    QString getText() const override;
};

}  // namespace Corvane
