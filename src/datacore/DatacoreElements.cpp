#include "datacore/DatacoreElements.h"

#include <algorithm>

#include "app/Logging.h"

namespace Corvane {

namespace {

// Elements are leaves: a path that goes on below one cannot be served.
bool pathEndsHere(const QString& path, std::list<DatacoreJsonMessage>& messages) {
    if (path.isEmpty()) {
        return true;
    }
    messages.emplace_back(MessageBase::error, DatacoreJsonMessage::pathDoesNotEndAtElement);
    return false;
}

bool keyPresent(const QJsonObject& json, const char* key,
                std::list<DatacoreJsonMessage>& messages) {
    if (json.contains(QLatin1String(key))) {
        return true;
    }
    messages.emplace_back(MessageBase::error, DatacoreJsonMessage::jsonLacksElementKey);
    return false;
}

}  // namespace

// ---- data ----

DatacoreDataElement::DatacoreDataElement(DatacoreElementPrivateInterface* owner)
    : DatacoreDataElement(owner, QString()) {}

DatacoreDataElement::DatacoreDataElement(DatacoreElementPrivateInterface* owner, QString initial)
    : owner_(owner), data_{std::move(initial)} {}

void DatacoreDataElement::setData(std::deque<QString>&& data) {
    if (data == data_) {
        return;
    }
    data_ = std::move(data);
    owner_->notifyElementChangedFromDirect();
}

void DatacoreDataElement::replaceFromJson(std::deque<QString>&& data) {
    data_ = std::move(data);
    owner_->notifyElementChangedFromJson();
}

bool DatacoreDataElement::appendDataToJson(QString path, QJsonObject& json, bool, bool,
                                           std::list<DatacoreJsonMessage>& messages) const {
    if (!pathEndsHere(path, messages)) {
        return false;
    }
    QJsonValue value;  // null for an empty list
    if (data_.size() == 1) {
        value = data_.front();
    } else if (!data_.empty()) {
        QJsonArray array;
        for (const QString& entry : data_) {
            array.append(entry);
        }
        value = array;
    }
    json.insert(QLatin1String(key), value);
    return true;
}

bool DatacoreDataElement::populateDataFromJson(QString path, const QJsonObject& json, bool,
                                               std::list<DatacoreJsonMessage>& messages) {
    if (!pathEndsHere(path, messages) || !keyPresent(json, key, messages)) {
        return false;
    }
    const QJsonValue value = json.value(QLatin1String(key));
    if (value.isNull()) {
        if (!data_.empty()) {
            replaceFromJson({});
        }
        return true;
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        std::deque<QString> items;
        for (const QJsonValue& item : array) {
            items.push_back(item.toString());  // a non-string item reads as ""
        }
        if (items != data_) {
            replaceFromJson(std::move(items));
        }
        return true;
    }
    QString text = value.toString();
    if (data_.size() == 1 && data_.front() == text) {
        return true;
    }
    if (data_.empty()) {
        logLine(LogLevel::error, "0 sized entry for data element");
    }
    replaceFromJson({std::move(text)});
    return true;
}

// ---- reasons ----

template <typename Message>
DatacoreStatusElement<Message>::DatacoreStatusElement(DatacoreElementPrivateInterface* owner,
                                                      const char* key)
    : owner_(owner), key_(key) {}

template <typename Message>
bool DatacoreStatusElement<Message>::differs(const std::list<Message>& other) const {
    // MessageBase::operator== compares type and identifier only.
    return !std::equal(reasons_.begin(), reasons_.end(), other.begin(), other.end());
}

template <typename Message>
void DatacoreStatusElement<Message>::storeDirect(const std::list<Message>& reasons) {
    if (!differs(reasons)) {
        return;
    }
    owner_->notifyElementChangedFromDirect();
    reasons_ = reasons;
}

template <typename Message>
QJsonArray DatacoreStatusElement<Message>::reasonsAsJsonArray() const {
    QJsonArray array;
    for (const Message& reason : reasons_) {
        array.append(reason.serialiseMessage());
    }
    return array;
}

template <typename Message>
bool DatacoreStatusElement<Message>::appendDataToJson(
    QString path, QJsonObject& json, bool dataOnly, bool,
    std::list<DatacoreJsonMessage>& messages) const {
    if (dataOnly) {
        return true;
    }
    if (!pathEndsHere(path, messages)) {
        return false;
    }
    json.insert(QLatin1String(key_), reasonsAsJsonArray());
    return true;
}

template <typename Message>
bool DatacoreStatusElement<Message>::populateDataFromJson(
    QString path, const QJsonObject& json, bool dataOnly,
    std::list<DatacoreJsonMessage>& messages) {
    if (dataOnly) {
        return true;
    }
    if (!pathEndsHere(path, messages) || !keyPresent(json, key_, messages)) {
        return false;
    }
    const QJsonValue value = json.value(QLatin1String(key_));
    if (!value.isArray()) {
        return true;  // a malformed reasons value is ignored
    }
    std::list<Message> kept;
    for (const auto& built : MessageBase::buildMessages(value.toArray())) {
        const auto* message = dynamic_cast<const Message*>(built.get());
        if (message != nullptr && message->getClass() == QLatin1String(Message::className)) {
            kept.push_back(*message);
        }
    }
    if (differs(kept)) {
        owner_->notifyElementChangedFromJson();
    }
    reasons_ = std::move(kept);
    return true;
}

template class DatacoreStatusElement<DatacoreValidStatusMessage>;
template class DatacoreStatusElement<DatacoreActiveStatusMessage>;

DatacoreValidStatusElement::DatacoreValidStatusElement(DatacoreElementPrivateInterface* owner)
    : DatacoreStatusElement(owner, key) {}

bool DatacoreValidStatusElement::isValid(std::list<DatacoreValidStatusMessage>& out) const {
    out = reasons();
    return out.empty();
}

DatacoreActiveStatusElement::DatacoreActiveStatusElement(DatacoreElementPrivateInterface* owner)
    : DatacoreStatusElement(owner, key) {}

bool DatacoreActiveStatusElement::isActive(std::list<DatacoreActiveStatusMessage>& out) const {
    out = reasons();
    return out.empty();
}

// ---- class name ----

DatacoreClassnameElement::DatacoreClassnameElement(QString className,
                                                   DatacoreElementPrivateInterface* owner)
    : className_(std::move(className)), owner_(owner) {}

void DatacoreClassnameElement::setClassname(QString className) {
    if (className == className_) {
        return;
    }
    className_ = std::move(className);
    owner_->notifyElementChangedFromDirect();
}

bool DatacoreClassnameElement::appendDataToJson(QString path, QJsonObject& json, bool dataOnly,
                                                bool,
                                                std::list<DatacoreJsonMessage>& messages) const {
    if (dataOnly) {
        return true;
    }
    if (!pathEndsHere(path, messages)) {
        return false;
    }
    json.insert(QLatin1String(key), className_);
    return true;
}

bool DatacoreClassnameElement::populateDataFromJson(QString path, const QJsonObject& json,
                                                    bool dataOnly,
                                                    std::list<DatacoreJsonMessage>& messages) {
    if (dataOnly) {
        return true;
    }
    return pathEndsHere(path, messages) && keyPresent(json, key, messages);
}

}  // namespace Corvane
