#pragma once

#include <QString>
#include <deque>
#include <list>
#include <map>

#include "datacore/DatacoreElements.h"
#include "datacore/DatacoreJsonInterface.h"

namespace Corvane {

// One named node of the datacore tree: a list of strings as its value,
// reasons for being invalid and inactive, a parent and named children.
//
// The tree does not own its nodes: whoever creates them owns them, and a
// tree is taken down as a whole (a destroyed node is not removed from its
// parent). Changes propagate upwards: every ancestor recomputes its
// statuses and the root collects every node that changed.
class DatacoreBase : public DatacoreJsonInterface, private DatacoreElementPrivateInterface {
public:
    enum ChangedStatus : int {
        unchanged = 0,
        changedFromJson = 1,
        changedDirectly = 2,
    };

    // With initial data the node starts as changed directly; without, its
    // data is one empty string and it starts unchanged. Without a class
    // name the class is "DatacoreBase". A non-null parent registers the node.
    DatacoreBase(QString className, QString instanceName, DatacoreBase* parent,
                 QString initialData);
    DatacoreBase(QString instanceName, DatacoreBase* parent, QString initialData);
    DatacoreBase(QString className, QString instanceName, DatacoreBase* parent);
    DatacoreBase(QString instanceName, DatacoreBase* parent);
    ~DatacoreBase() override = default;

    DatacoreBase(const DatacoreBase&) = delete;
    DatacoreBase& operator=(const DatacoreBase&) = delete;

    bool appendDataToJson(QString path, QJsonObject& json, bool dataOnly, bool recursive,
                          std::list<DatacoreJsonMessage>& messages) const override;
    bool populateDataFromJson(QString path, const QJsonObject& json, bool dataOnly,
                              std::list<DatacoreJsonMessage>& messages) override;

    // The first registration of a name stays; a null child is ignored.
    void registerChildDatacore(QString name, DatacoreBase* child);
    std::deque<DatacoreBase*> getChildren() const;
    QString getInstanceName() const { return instanceName_; }
    QString getClassName() const { return classnameElement_.getClassname(); }
    DatacoreBase* getParent() const { return parent_; }
    QString getPath() const;
    // "a/b/c" -> "a", "b/c"; no "/" -> whole path, ""; a leading "/" fails.
    bool splitPathAroundFirstDelimiter(QString path, QString& head, QString& tail) const;

    QString getData() const;
    const std::deque<QString>& getDataArray() const { return dataElement_.getData(); }
    void setData(QString data);
    void setDataArray(std::deque<QString>&& data);

    bool isValid() const { return validElement_.isValid(); }
    bool isActive() const { return activeElement_.isActive(); }
    bool isValid(std::list<DatacoreValidStatusMessage>& reasons) const;
    bool isActive(std::list<DatacoreActiveStatusMessage>& reasons) const;
    bool areChildrenValid() const;

    int getChangedStatus() const { return changedStatus_; }
    void resetChangedStatus() { changedStatus_ = unchanged; }
    void resetAllChangedStatus();
    std::list<DatacoreBase*> emptyCollectedChangedCores();

    void notifyChanged();
    // Recomputes this node, collects `changed` (emptied) and hands the
    // collection on to the parent.
    void notifyChanged(std::list<DatacoreBase*>& changed);
    // Drops from `list` the null entries and those that stand in `reference`.
    static void removeDuplicates(std::list<DatacoreBase*>& list,
                                 const std::list<DatacoreBase*>& reference);

    void revalidateAll();
    void processAllValidData();
    void applyDefaultStateToSystem();

protected:
    // Hooks for subclasses. The base versions have exactly the effect the
    // tree assumes when they are not overridden (an emptied list, nothing),
    // so the tree simply calls them.
    virtual void regenerateInvalidationStatusMessages(
        std::list<DatacoreValidStatusMessage>& reasons) const;
    virtual void regenerateInactivationStatusMessages(
        std::list<DatacoreActiveStatusMessage>& reasons) const;
    void notifyElementChangedFromDirect() override;
    virtual void processData() {}
    virtual void changedPrivateSignal() {}
    void notifyElementChangedFromJson() override;

private:
    DatacoreBase(QString className, QString instanceName, DatacoreBase* parent, QString initialData,
                 ChangedStatus initialStatus);
    // The child named by the first segment of `path` (null when the split
    // fails or there is no such child); `tail` gets the rest.
    DatacoreBase* childForPath(const QString& path, QString& tail) const;
    void regenerateValidity();
    void regenerateActivity();
    void collect(std::list<DatacoreBase*>& changed);
    void notifySelfChanged();

    DatacoreDataElement dataElement_;
    DatacoreValidStatusElement validElement_;
    DatacoreActiveStatusElement activeElement_;
    std::map<QString, DatacoreJsonInterface*> elements_;
    DatacoreClassnameElement classnameElement_;
    ChangedStatus changedStatus_;
    bool populating_ = false;
    bool regenerating_ = false;
    std::list<DatacoreBase*> collected_;
    std::map<QString, DatacoreBase*> children_;
    QString instanceName_;
    DatacoreBase* parent_;
};

}  // namespace Corvane
