#pragma once

#include <QJsonArray>
#include <deque>
#include <list>

#include "datacore/DatacoreActiveStatusMessage.h"
#include "datacore/DatacoreJsonInterface.h"
#include "datacore/DatacoreValidStatusMessage.h"

namespace Corvane {

// The four elements of a datacore node. Each serves one key of the node's
// JSON object and reports changes to its (non-owned) owner.

// The value: an ordered list of strings under "data".
class DatacoreDataElement : public DatacoreJsonInterface {
public:
    static constexpr const char* key = "data";

    explicit DatacoreDataElement(DatacoreElementPrivateInterface* owner);
    DatacoreDataElement(DatacoreElementPrivateInterface* owner, QString initial);

    const std::deque<QString>& getData() const { return data_; }
    // Notifies a direct change only when the list differs.
    void setData(std::deque<QString>&& data);

    bool appendDataToJson(QString path, QJsonObject& json, bool dataOnly, bool recursive,
                          std::list<DatacoreJsonMessage>& messages) const override;
    bool populateDataFromJson(QString path, const QJsonObject& json, bool dataOnly,
                              std::list<DatacoreJsonMessage>& messages) override;

private:
    void replaceFromJson(std::deque<QString>&& data);

    DatacoreElementPrivateInterface* owner_;
    std::deque<QString> data_;
};

// The shared behaviour of the two reason lists; `Message` is the one
// message class the list accepts.
template <typename Message>
class DatacoreStatusElement : public DatacoreJsonInterface {
public:
    DatacoreStatusElement(DatacoreElementPrivateInterface* owner, const char* key);

    bool appendDataToJson(QString path, QJsonObject& json, bool dataOnly, bool recursive,
                          std::list<DatacoreJsonMessage>& messages) const override;
    bool populateDataFromJson(QString path, const QJsonObject& json, bool dataOnly,
                              std::list<DatacoreJsonMessage>& messages) override;

protected:
    const std::list<Message>& reasons() const { return reasons_; }
    QJsonArray reasonsAsJsonArray() const;
    // Notifies a direct change when the list differs pair by pair.
    void storeDirect(const std::list<Message>& reasons);

private:
    bool differs(const std::list<Message>& other) const;

    DatacoreElementPrivateInterface* owner_;
    const char* key_;
    std::list<Message> reasons_;
};

// Reasons for being invalid, under "reasonsForBeingInvalid".
class DatacoreValidStatusElement : public DatacoreStatusElement<DatacoreValidStatusMessage> {
public:
    static constexpr const char* key = "reasonsForBeingInvalid";

    explicit DatacoreValidStatusElement(DatacoreElementPrivateInterface* owner);

    bool isValid() const { return reasons().empty(); }
    bool isValid(std::list<DatacoreValidStatusMessage>& out) const;
    std::list<DatacoreValidStatusMessage> getReasonsForBeingInvalid() const { return reasons(); }
    QJsonArray getReasonsForBeingInvalidAsJSONArray() const { return reasonsAsJsonArray(); }
    void setValid(const std::list<DatacoreValidStatusMessage>& reasons) { storeDirect(reasons); }
};

// Reasons for being inactive, under "reasonsForBeingInactive".
class DatacoreActiveStatusElement : public DatacoreStatusElement<DatacoreActiveStatusMessage> {
public:
    static constexpr const char* key = "reasonsForBeingInactive";

    explicit DatacoreActiveStatusElement(DatacoreElementPrivateInterface* owner);

    bool isActive() const { return reasons().empty(); }
    bool isActive(std::list<DatacoreActiveStatusMessage>& out) const;
    std::list<DatacoreActiveStatusMessage> getReasonsForBeingInactive() const { return reasons(); }
    QJsonArray getReasonsForBeingInactiveAsJSONArray() const { return reasonsAsJsonArray(); }
    void setActive(const std::list<DatacoreActiveStatusMessage>& reasons) { storeDirect(reasons); }
};

// The class name under "class". It is written to JSON but never read back:
// a node's class is fixed by the code that made it.
class DatacoreClassnameElement : public DatacoreJsonInterface {
public:
    static constexpr const char* key = "class";

    DatacoreClassnameElement(QString className, DatacoreElementPrivateInterface* owner);

    QString getClassname() const { return className_; }
    void setClassname(QString className);

    bool appendDataToJson(QString path, QJsonObject& json, bool dataOnly, bool recursive,
                          std::list<DatacoreJsonMessage>& messages) const override;
    bool populateDataFromJson(QString path, const QJsonObject& json, bool dataOnly,
                              std::list<DatacoreJsonMessage>& messages) override;

private:
    QString className_;
    DatacoreElementPrivateInterface* owner_;
};

}  // namespace Corvane
