#pragma once

#include <QJsonObject>
#include <QString>
#include <list>

#include "datacore/DatacoreJsonMessage.h"

namespace Corvane {

// Something that reads and writes its part of a datacore's JSON object: a
// node of the tree or one of a node's elements. Paths are relative to the
// object called; the empty path means the object itself.
class DatacoreJsonInterface {
public:
    virtual ~DatacoreJsonInterface() = default;
    virtual bool appendDataToJson(QString path, QJsonObject& json, bool dataOnly, bool recursive,
                                  std::list<DatacoreJsonMessage>& messages) const = 0;
    virtual bool populateDataFromJson(QString path, const QJsonObject& json, bool dataOnly,
                                      std::list<DatacoreJsonMessage>& messages) = 0;
};

// How an element tells its node that its content changed, and where from.
class DatacoreElementPrivateInterface {
public:
    virtual ~DatacoreElementPrivateInterface() = default;
    virtual void notifyElementChangedFromJson() = 0;
    virtual void notifyElementChangedFromDirect() = 0;
};

}  // namespace Corvane
