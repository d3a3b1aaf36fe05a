#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

namespace Corvane {

class ClientDatacore;

// The mirrored datacores of one server as a tree, a row per datacore path:
// its last path segment, a cell for the status icon, its data, validity and
// activity. Rows are made once per connection (populate) and removed when it
// is lost (clear); between the two, updates only change cells.
//
// The status cell of a row stands for its whole branch: the worst of the
// row's own state and those of every datacore below it, so a fault deep in a
// folded branch shows at the top. Worst first: invalid, then waiting for the
// server's answer, then in sync and valid. Inactivity plays no part: an
// inactive datacore is switched off, not faulty (its row is greyed), and an
// invalid one counts as invalid either way, as its own icon says. Each row
// keeps the counts of invalid and waiting datacores below it; a change walks
// up the changed row's ancestors only.
//
// A value edited through setData goes to the datacore's typed slot: one
// value through setDataString, several (split as splitValues does) through
// setDataStringList.
class DatacoreTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column : int {
        nameColumn,
        statusColumn,  // left empty: the view puts a DatacoreStatusWidget there
        valueColumn,
        validityColumn,
        activityColumn,
        columnTotal,
    };
    enum Role : int {
        pathRole = Qt::UserRole + 1,  // the full path on the server
        inSyncRole,                   // bool: no local change awaits its echo
        stateArrivedRole,             // bool: the server's state has been applied
        invalidReasonsRole,           // QStringList, empty when valid
        // The branch (the row and every row below it):
        healthRole,          // int, a Health: the worst state in it
        branchInSyncRole,    // bool: nothing in it waits for the server, but what is invalid
        statusMessagesRole,  // QStringList: the row's own reasons, then one for those below
    };
    enum Health : int { good, waiting, invalid };

    using Entry = std::pair<QString, ClientDatacore*>;

    explicit DatacoreTreeModel(QObject* parent = nullptr);
    ~DatacoreTreeModel() override;

    // Rows for every path, in the order given (a parent before its children,
    // as the server lists them); a missing parent gets a row without a
    // datacore. Each datacore's signals update its row until clear().
    void populate(const std::vector<Entry>& datacores);
    // Forgets every row and datacore pointer: the datacores are being
    // destroyed.
    void clear();
    // The server's state for `path` has been applied to its datacore; once
    // every datacore has had one, populationComplete() is emitted.
    void noteStateArrived(const QString& path);

    int datacoreCount() const { return datacoreCount_; }
    bool isComplete() const { return datacoreCount_ > 0 && arrivedCount_ == datacoreCount_; }
    int lostPackets() const { return lostPackets_; }
    QModelIndex indexOfPath(const QString& path, int column = nameColumn) const;
    ClientDatacore* datacoreAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void populationComplete();
    // The total of packets the datacores reported lost since start.
    void lostPacketsChanged(int total);

private:
    struct Node;

    Node* nodeAt(const QModelIndex& index) const;
    QModelIndex indexOf(const Node& node, int column) const;
    Node& nodeFor(const QString& path);
    void watch(Node& node);
    // Copies data, reasons and activity from the node's datacore.
    void readDatacore(Node& node);
    void rowChanged(const Node& node);
    // Re-rates the node's own state and, when that or its reasons changed,
    // tells its ancestors (with `notify`, through their status cells).
    void rateNode(Node& node, const QStringList& oldReasons, bool notify);
    // The first invalid datacore below `node`, a row before its children.
    const Node* firstInvalidBelow(const Node& node) const;

    std::unique_ptr<Node> root_;
    QHash<QString, Node*> byPath_;
    int datacoreCount_ = 0;
    int arrivedCount_ = 0;
    int lostPackets_ = 0;
};

}  // namespace Corvane
