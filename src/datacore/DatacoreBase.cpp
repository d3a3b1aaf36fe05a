#include "datacore/DatacoreBase.h"

#include <algorithm>
#include <unordered_set>

namespace Corvane {

namespace {

const QString defaultClassName = QStringLiteral("DatacoreBase");

QJsonObject singleKeyObject(const QString& key, const QJsonValue& value) {
    QJsonObject object;
    object.insert(key, value);
    return object;
}

}  // namespace

DatacoreBase::DatacoreBase(QString className, QString instanceName, DatacoreBase* parent,
                           QString initialData, ChangedStatus initialStatus)
    : dataElement_(this, std::move(initialData)),
      validElement_(this),
      activeElement_(this),
      elements_{{QLatin1String(DatacoreDataElement::key), &dataElement_},
                {QLatin1String(DatacoreValidStatusElement::key), &validElement_},
                {QLatin1String(DatacoreActiveStatusElement::key), &activeElement_},
                {QLatin1String(DatacoreClassnameElement::key), &classnameElement_}},
      classnameElement_(std::move(className), this),
      changedStatus_(initialStatus),
      instanceName_(std::move(instanceName)),
      parent_(parent) {
    if (parent_ != nullptr) {
        parent_->registerChildDatacore(instanceName_, this);
    }
}

DatacoreBase::DatacoreBase(QString className, QString instanceName, DatacoreBase* parent,
                           QString initialData)
    : DatacoreBase(std::move(className), std::move(instanceName), parent, std::move(initialData),
                   changedDirectly) {}

DatacoreBase::DatacoreBase(QString instanceName, DatacoreBase* parent, QString initialData)
    : DatacoreBase(defaultClassName, std::move(instanceName), parent, std::move(initialData),
                   changedDirectly) {}

DatacoreBase::DatacoreBase(QString className, QString instanceName, DatacoreBase* parent)
    : DatacoreBase(std::move(className), std::move(instanceName), parent, QString(), unchanged) {}

DatacoreBase::DatacoreBase(QString instanceName, DatacoreBase* parent)
    : DatacoreBase(defaultClassName, std::move(instanceName), parent, QString(), unchanged) {}

// ---- structure and paths ----

void DatacoreBase::registerChildDatacore(QString name, DatacoreBase* child) {
    // A null child could only crash a later walk; an existing name keeps
    // its first registration.
    if (child != nullptr) {
        children_.emplace(std::move(name), child);
    }
}

std::deque<DatacoreBase*> DatacoreBase::getChildren() const {
    std::deque<DatacoreBase*> children;
    for (const auto& entry : children_) {
        children.push_back(entry.second);
    }
    return children;
}

QString DatacoreBase::getPath() const {
    if (parent_ == nullptr) {
        return instanceName_;
    }
    return parent_->getPath() + QLatin1Char('/') + instanceName_;
}

bool DatacoreBase::splitPathAroundFirstDelimiter(QString path, QString& head, QString& tail) const {
    const int slash = path.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        head = path;
        tail.clear();
        return true;
    }
    if (slash == 0) {
        return false;
    }
    head = path.left(slash);
    tail = path.mid(slash + 1);
    return true;
}

DatacoreBase* DatacoreBase::childForPath(const QString& path, QString& tail) const {
    QString head;
    if (!splitPathAroundFirstDelimiter(path, head, tail)) {
        return nullptr;
    }
    const auto child = children_.find(head);
    return child == children_.end() ? nullptr : child->second;
}

// ---- JSON ----

bool DatacoreBase::appendDataToJson(QString path, QJsonObject& json, bool dataOnly, bool recursive,
                                    std::list<DatacoreJsonMessage>& messages) const {
    if (!path.isEmpty()) {
        QString tail;
        const DatacoreBase* child = childForPath(path, tail);
        return child != nullptr &&
               child->appendDataToJson(tail, json, dataOnly, recursive, messages);
    }

    QJsonObject object;
    bool ok = true;
    for (const auto& element : elements_) {
        ok = element.second->appendDataToJson(QString(), object, dataOnly, recursive, messages);
        if (!ok) {
            break;
        }
    }
    // Children come after the elements, so a child named like an element
    // key replaces that key's value.
    if (ok && recursive) {
        for (const auto& child : children_) {
            ok = child.second->appendDataToJson(QString(), object, dataOnly, true, messages);
            if (!ok) {
                break;
            }
        }
    }
    json.insert(instanceName_, object);
    return ok;
}

bool DatacoreBase::populateDataFromJson(QString path, const QJsonObject& json, bool dataOnly,
                                        std::list<DatacoreJsonMessage>& messages) {
    if (!path.isEmpty()) {
        QString tail;
        DatacoreBase* child = childForPath(path, tail);
        return child != nullptr && child->populateDataFromJson(tail, json, dataOnly, messages);
    }

    if (json.size() > 1 || !json.contains(instanceName_)) {
        return false;
    }
    const QJsonObject object = json.value(instanceName_).toObject();

    // While populating, change notifications are only collected; the one
    // notifyChanged() at the end recomputes and hands them on.
    const auto finish = [this](bool result) {
        populating_ = false;
        notifyChanged();
        return result;
    };
    populating_ = true;
    for (const auto& element : elements_) {
        const auto value = object.constFind(element.first);
        if (value == object.constEnd()) {
            continue;
        }
        if (!element.second->populateDataFromJson(QString(), singleKeyObject(element.first, *value),
                                                  dataOnly, messages)) {
            return finish(false);
        }
    }
    for (const auto& child : children_) {
        const auto value = object.constFind(child.first);
        if (value == object.constEnd()) {
            continue;
        }
        if (!child.second->populateDataFromJson(QString(), singleKeyObject(child.first, *value),
                                                dataOnly, messages)) {
            return finish(false);
        }
    }
    return finish(true);
}

// ---- data and status ----

QString DatacoreBase::getData() const {
    const auto& data = dataElement_.getData();
    return data.empty() ? QString() : data.front();
}

void DatacoreBase::setData(QString data) {
    setDataArray({std::move(data)});
}

void DatacoreBase::setDataArray(std::deque<QString>&& data) {
    dataElement_.setData(std::move(data));
}

bool DatacoreBase::isValid(std::list<DatacoreValidStatusMessage>& reasons) const {
    return validElement_.isValid(reasons);
}

bool DatacoreBase::isActive(std::list<DatacoreActiveStatusMessage>& reasons) const {
    return activeElement_.isActive(reasons);
}

bool DatacoreBase::areChildrenValid() const {
    for (const auto& child : children_) {
        if (!child.second->isValid() || !child.second->areChildrenValid()) {
            return false;
        }
    }
    return true;
}

void DatacoreBase::resetAllChangedStatus() {
    for (const auto& child : children_) {
        child.second->resetAllChangedStatus();
    }
    resetChangedStatus();
}

std::list<DatacoreBase*> DatacoreBase::emptyCollectedChangedCores() {
    std::list<DatacoreBase*> out;
    out.swap(collected_);
    return out;
}

// ---- change propagation ----

void DatacoreBase::notifyElementChangedFromJson() {
    // A direct change is not downgraded.
    if (changedStatus_ == unchanged) {
        changedStatus_ = changedFromJson;
    }
    notifySelfChanged();
}

void DatacoreBase::notifyElementChangedFromDirect() {
    changedStatus_ = changedDirectly;
    notifySelfChanged();
}

void DatacoreBase::notifySelfChanged() {
    std::list<DatacoreBase*> changed{this};
    notifyChanged(changed);
}

void DatacoreBase::notifyChanged() {
    std::list<DatacoreBase*> changed;
    notifyChanged(changed);
}

void DatacoreBase::collect(std::list<DatacoreBase*>& changed) {
    removeDuplicates(changed, collected_);
    collected_.splice(collected_.end(), changed);
}

void DatacoreBase::regenerateValidity() {
    std::list<DatacoreValidStatusMessage> reasons = validElement_.getReasonsForBeingInvalid();
    regenerateInvalidationStatusMessages(reasons);
    validElement_.setValid(reasons);
}

void DatacoreBase::regenerateActivity() {
    std::list<DatacoreActiveStatusMessage> reasons = activeElement_.getReasonsForBeingInactive();
    regenerateInactivationStatusMessages(reasons);
    activeElement_.setActive(reasons);
}

void DatacoreBase::notifyChanged(std::list<DatacoreBase*>& changed) {
    if (populating_ || regenerating_) {
        collect(changed);
        return;
    }
    if (changed.empty() && collected_.empty()) {
        return;
    }
    // A status change made here notifies this node again; the flag makes
    // that nested notification only collect the node.
    regenerating_ = true;
    regenerateValidity();
    regenerateActivity();
    regenerating_ = false;

    if (isValid()) {
        processData();
    }
    collect(changed);
    if (changedStatus_ != unchanged) {
        changedPrivateSignal();
    }
    if (parent_ != nullptr) {
        parent_->notifyChanged(collected_);
    }
}

void DatacoreBase::removeDuplicates(std::list<DatacoreBase*>& list,
                                    const std::list<DatacoreBase*>& reference) {
    list.remove(nullptr);
    if (list.empty() || reference.empty()) {
        return;
    }
    // A single node (the usual case) is cheaper to look up directly; a
    // whole subtree's collection joining a large one is not.
    if (list.size() == 1) {
        if (std::find(reference.begin(), reference.end(), list.front()) != reference.end()) {
            list.clear();
        }
        return;
    }
    const std::unordered_set<DatacoreBase*> seen(reference.begin(), reference.end());
    list.remove_if([&seen](DatacoreBase* core) { return seen.count(core) != 0; });
}

void DatacoreBase::regenerateInvalidationStatusMessages(
    std::list<DatacoreValidStatusMessage>& reasons) const {
    reasons.clear();
}

void DatacoreBase::regenerateInactivationStatusMessages(
    std::list<DatacoreActiveStatusMessage>& reasons) const {
    reasons.clear();
}

// ---- whole-tree operations ----

void DatacoreBase::revalidateAll() {
    for (const auto& child : children_) {
        child.second->revalidateAll();
    }
    // Validity only, and without the regenerating flag: a change here
    // propagates like any other direct change.
    regenerateValidity();
}

void DatacoreBase::processAllValidData() {
    for (const auto& child : children_) {
        child.second->processAllValidData();
    }
    if (isValid()) {
        processData();
    }
}

void DatacoreBase::applyDefaultStateToSystem() {
    revalidateAll();
    processAllValidData();
    resetAllChangedStatus();
}

}  // namespace Corvane
