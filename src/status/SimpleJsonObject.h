#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

namespace Corvane {

// Base of the status documents: a value class that writes its properties into
// a JSON object and reads them back. Each derived class keeps a `Properties`
// enumeration (followed by its count) and a `propertyNames` table holding the
// JSON key of every property; keys are spelled only in that table.
class SimpleJsonObject {
public:
    virtual QString getClassName() const = 0;
    virtual void toCustomQJsonObject(QJsonObject& json) const = 0;
    // The object has already been accepted by the caller; nothing is checked
    // here and missing keys read as 0, empty texts or empty lists.
    virtual void fromValidQJsonObject(const QJsonObject& json) = 0;
    virtual ~SimpleJsonObject() = default;

    // Convenience: a fresh object filled by toCustomQJsonObject.
    QJsonObject toQJsonObject() const {
        QJsonObject json;
        toCustomQJsonObject(json);
        return json;
    }

protected:
    SimpleJsonObject() = default;
    SimpleJsonObject(const SimpleJsonObject&) = default;
    SimpleJsonObject& operator=(const SimpleJsonObject&) = default;
};

// A list of documents of class T, written as a JSON array of objects.
template <class T>
class SimpleJsonArray : public QList<T> {
public:
    using QList<T>::QList;

    // Appends one object per element, in list order.
    void toQJsonArray(QJsonArray& array) const {
        for (const T& element : *this) {
            QJsonObject json;
            element.toCustomQJsonObject(json);
            array.append(json);
        }
    }

    // Appends one document per array element, in array order; an element that
    // is not an object reads as an empty document.
    void appendFromQJsonArray(const QJsonArray& array) {
        for (const QJsonValue& value : array) {
            T element;
            element.fromValidQJsonObject(value.toObject());
            this->append(element);
        }
    }
};

// A document whose one property is a list of documents of class T, kept as a
// JSON array under a single key. Its property 0 is the list and property 1 the
// count, so property access has nothing to give and nothing to set.
template <class T>
class SimpleJsonListDocument : public SimpleJsonObject {
public:
    void toCustomQJsonObject(QJsonObject& json) const override {
        QJsonArray array;
        list_.toQJsonArray(array);
        json.insert(QLatin1String(key_), array);
    }

    // Reading appends one document per array element, in array order, to
    // whatever the list already holds.
    void fromValidQJsonObject(const QJsonObject& json) override {
        list_.appendFromQJsonArray(json.value(QLatin1String(key_)).toArray());
    }

    QVariant getDataForProperty(int /*property*/) const { return {}; }
    // False for an invalid value, the list (0) and the count (1); true for
    // anything beyond, without a change.
    bool setDataForProperty(int property, const QVariant& value) {
        return value.isValid() && property > 1;
    }

protected:
    explicit SimpleJsonListDocument(const char* key) : key_(key) {}

    SimpleJsonArray<T> list_;

private:
    const char* key_;
};

}  // namespace Corvane
