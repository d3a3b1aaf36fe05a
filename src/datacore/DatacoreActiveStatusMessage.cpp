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
    : ClassKeyedMessage(content, type) {}

DatacoreActiveStatusMessage::DatacoreActiveStatusMessage(const QJsonObject& json)
    : ClassKeyedMessage(json) {}

QString DatacoreActiveStatusMessage::getText() const {
    return messageText(texts, getIdentifier());
}

}  // namespace Corvane
