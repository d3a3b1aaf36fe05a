#include "datacore/MessageBase.h"

#include "app/Logging.h"
#include "datacore/DatacoreActiveStatusMessage.h"
#include "datacore/DatacoreJsonMessage.h"
#include "datacore/DatacoreValidStatusMessage.h"

namespace Corvane {

namespace {

QString concatenatedKeys(const QJsonObject& object) {
    QString keys;
    for (auto it = object.begin(); it != object.end(); ++it) {
        keys += it.key();
    }
    return keys;
}

}  // namespace

MessageBase::MessageBase(int identifier, MessageType type) : identifier_(identifier), type_(type) {}

MessageBase::MessageBase(const QJsonObject& json) : identifier_(-1), type_(undefined) {
    const QJsonObject base = json.value(QLatin1String(baseKey)).toObject();
    if (base.contains(QLatin1String(typeKey))) {
        type_ = static_cast<MessageType>(base.value(QLatin1String(typeKey)).toInt());
    }
    if (base.contains(QLatin1String(identifierKey))) {
        identifier_ = base.value(QLatin1String(identifierKey)).toInt();
    }
}

QJsonObject MessageBase::serialiseMessage() const {
    QJsonObject base;
    base.insert(QLatin1String(typeKey), static_cast<int>(type_));
    base.insert(QLatin1String(identifierKey), identifier_);
    QJsonObject json;
    json.insert(QLatin1String(baseKey), base);
    return json;
}

QJsonObject MessageBase::serialiseWithClassKey(const QString& className) const {
    QJsonObject json = MessageBase::serialiseMessage();
    json.insert(className, QJsonObject());
    return json;
}

bool MessageBase::hasContent() const {
    return !getText().isEmpty();
}

int MessageBase::getIdentifier() const {
    return identifier_;
}

void MessageBase::setIdentifier(int identifier) {
    identifier_ = identifier;
}

MessageBase::MessageType MessageBase::getType() const {
    return type_;
}

void MessageBase::setType(MessageType type) {
    type_ = type;
}

bool MessageBase::operator==(const MessageBase& other) const {
    return type_ == other.type_ && identifier_ == other.identifier_;
}

std::list<std::unique_ptr<MessageBase>> MessageBase::buildMessages(const QJsonArray& array) {
    std::list<std::unique_ptr<MessageBase>> messages;
    for (const QJsonValue& item : array) {
        if (!item.isObject()) {
            logf(LogLevel::info, "Not a serialised object, of QJson type: {}",
                 static_cast<int>(item.type()));
            continue;
        }
        const QJsonObject object = item.toObject();
        if (!object.contains(QLatin1String(baseKey))) {
            logf(LogLevel::info, "Not recognised as a serialised message: {}",
                 concatenatedKeys(object));
            continue;
        }
        // The first class key present decides, in this fixed order.
        if (object.contains(QLatin1String(DatacoreJsonMessage::className))) {
            messages.push_back(DatacoreJsonMessage::buildMessage(object));
        } else if (object.contains(QLatin1String(DatacoreValidStatusMessage::className))) {
            messages.push_back(DatacoreValidStatusMessage::buildMessage(object));
        } else if (object.contains(QLatin1String(DatacoreActiveStatusMessage::className))) {
            messages.push_back(DatacoreActiveStatusMessage::buildMessage(object));
        } else {
            logf(LogLevel::info, "Unsupported message type: {}", concatenatedKeys(object));
        }
    }
    return messages;
}

}  // namespace Corvane
