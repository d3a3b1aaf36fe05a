#pragma once

#include "datacore/MessageBase.h"

namespace Corvane {

// Why a JSON operation on the datacore tree failed.
class DatacoreJsonMessage : public ClassKeyedMessage<DatacoreJsonMessage, -1> {
public:
    // The content is a plain int on the interface; these name the codes in use.
    enum MessageContent : int {
        datacorePathNotResolved = 0,
        badlyFormedPath = 1,
        classNameMismatch = 2,
        instanceNameMismatch = 3,
        pathNotResolved = 4,
        pathDoesNotEndAtElement = 5,
        jsonLacksElementKey = 6,
    };

    static constexpr const char* className = "DatacoreJsonMessage";

    DatacoreJsonMessage(MessageType type, int content);
    explicit DatacoreJsonMessage(const QJsonObject& json);

    QString getText() const override;

    // Builds from `json` when it carries the class key; otherwise logs the
    // object and returns an undefined message with identifier -1.
    static std::unique_ptr<DatacoreJsonMessage> buildMessage(const QJsonObject& json);
};

}  // namespace Corvane
