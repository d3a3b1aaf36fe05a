#include "datacore/DatacoreJsonMessage.h"

#include <QJsonDocument>
#include <array>

#include "app/Logging.h"
#include "datacore/MessageText.h"

namespace Corvane {

namespace {

constexpr std::array<const char*, 7> texts = {
    "Datacore path could not be resolved",
    "Badly formed path",
    "New data class name does not match destination class name",
    "New data instance name does not match destination instance name",
    "Path could not be resolved",
    "MessageContentPathDoesNotEndAtDatacoreElementLeafNode",
    "MessageContentJsonDoesNotContainDatacoreElementKey",
};

}  // namespace

DatacoreJsonMessage::DatacoreJsonMessage(MessageType type, int content)
    : ClassKeyedMessage(content, type) {}

DatacoreJsonMessage::DatacoreJsonMessage(const QJsonObject& json) : ClassKeyedMessage(json) {}

QString DatacoreJsonMessage::getText() const {
    return messageText(texts, getIdentifier());
}

std::unique_ptr<DatacoreJsonMessage> DatacoreJsonMessage::buildMessage(const QJsonObject& json) {
    if (!json.contains(QLatin1String(className))) {
        // Indented form for a human reading the log; the final newline would
        // only leave an empty line behind.
        QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Indented);
        if (text.endsWith('\n')) {
            text.chop(1);
        }
        logf(LogLevel::info, "Failed to construct a DatacoreJsonMessage from {}",
             std::string_view(text.constData(), static_cast<size_t>(text.size())));
    }
    return ClassKeyedMessage::buildMessage(json);
}

}  // namespace Corvane
