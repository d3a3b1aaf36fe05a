#include "datacore/DatacoreActiveStatusMessage.h"

#include <array>

#include "datacore/MessageText.h"

namespace Corvane {

namespace {

constexpr std::array<const char*, 7> texts = {
    "",
    "",
    "Command Executor is Busy",
    "There is not currently any need for this datacore, its value is meaningless and probably "
    "represents data that doesn't exist yet!",
    "Parameter not supported for current video standard",
    "One or more child datacores are invalid.",
    "",
};

}  // namespace

DatacoreActiveStatusMessage::DatacoreActiveStatusMessage(MessageType type, MessageContent content)
    : MessageBase(content, type) {}

DatacoreActiveStatusMessage::DatacoreActiveStatusMessage(const QJsonObject& json)
    : MessageBase(json) {}

QJsonObject DatacoreActiveStatusMessage::serialiseMessage() const {
    return serialiseWithClassKey(QLatin1String(className));
}

QString DatacoreActiveStatusMessage::getClass() const {
    return QLatin1String(className);
}

QString DatacoreActiveStatusMessage::getText() const {
    return messageText(texts, getIdentifier());
}

std::unique_ptr<DatacoreActiveStatusMessage> DatacoreActiveStatusMessage::buildMessage(
    const QJsonObject& json) {
    if (json.contains(QLatin1String(className))) {
        return std::make_unique<DatacoreActiveStatusMessage>(json);
    }
    return std::make_unique<DatacoreActiveStatusMessage>(undefined, noReason);
}

}  // namespace Corvane
