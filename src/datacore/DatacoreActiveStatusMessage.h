#pragma once

#include "datacore/MessageBase.h"

namespace Corvane {

// One reason why a datacore is inactive.
class DatacoreActiveStatusMessage : public MessageBase {
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

    QJsonObject serialiseMessage() const override;
    QString getClass() const override;
    QString getText() const override;

    // Builds from `json` when it carries the class key; otherwise an
    // undefined message with content 0.
    static std::unique_ptr<DatacoreActiveStatusMessage> buildMessage(const QJsonObject& json);
};

}  // namespace Corvane
