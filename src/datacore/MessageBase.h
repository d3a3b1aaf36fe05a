#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <list>
#include <memory>

namespace Corvane {

// A small typed record explaining an outcome (why a datacore is invalid or
// inactive, why a JSON operation failed). Messages are values: concrete
// classes add no members, so copying through the concrete type is complete.
class MessageBase {
public:
    // Only the numbers travel on the wire; the names are ours. The datacore
    // raises everything as error; a message read from JSON without a "type"
    // stays undefined.
    enum MessageType : int {
        information = 0,
        warning = 1,
        error = 2,
        undefined = 3,
    };

    MessageBase(int identifier, MessageType type);
    // Identifier -1 and type undefined unless the "MessageBase" object of
    // `json` says otherwise; a non-integer field reads as 0.
    explicit MessageBase(const QJsonObject& json);
    MessageBase(const MessageBase&) = default;
    MessageBase& operator=(const MessageBase&) = default;
    virtual ~MessageBase() = default;

    // {"MessageBase": {"type": t, "identifier": i}}; concrete classes add
    // their own (empty) class key.
    virtual QJsonObject serialiseMessage() const;
    virtual QString getClass() const = 0;
    virtual QString getText() const = 0;
    virtual bool hasContent() const;
    virtual int getIdentifier() const;
    virtual void setIdentifier(int identifier);
    virtual MessageType getType() const;
    virtual void setType(MessageType type);
    // Equal type and identifier; the class is deliberately not compared.
    virtual bool operator==(const MessageBase& other) const;
    bool operator!=(const MessageBase& other) const { return !(*this == other); }

    // Rebuilds the messages of a serialised array in array order. Items that
    // are not recognisable messages are logged and skipped, never fatal.
    static std::list<std::unique_ptr<MessageBase>> buildMessages(const QJsonArray& array);

    static constexpr const char* baseKey = "MessageBase";
    static constexpr const char* typeKey = "type";
    static constexpr const char* identifierKey = "identifier";

protected:
    // The serialised form of a concrete class: the base key plus `className`.
    QJsonObject serialiseWithClassKey(const QString& className) const;

private:
    int identifier_;
    MessageType type_;
};

// What the concrete message classes share: their class key (in the JSON form
// and from getClass) and their factory. `Derived` defines `className` and its
// texts (getText); a JSON object without its key becomes an undefined
// message with `unrecognisedIdentifier`.
template <class Derived, int unrecognisedIdentifier>
class ClassKeyedMessage : public MessageBase {
public:
    QJsonObject serialiseMessage() const override {
        return serialiseWithClassKey(QLatin1String(Derived::className));
    }
    QString getClass() const override { return QLatin1String(Derived::className); }

    static std::unique_ptr<Derived> buildMessage(const QJsonObject& json) {
        if (json.contains(QLatin1String(Derived::className))) {
            return std::make_unique<Derived>(json);
        }
        return std::make_unique<Derived>(
            undefined, static_cast<typename Derived::MessageContent>(unrecognisedIdentifier));
    }

protected:
    using MessageBase::MessageBase;
};

}  // namespace Corvane
