#include "DatacoreTreeModel.h"

#include <QColor>
#include <QPointer>
#include <QSize>
#include <algorithm>
#include <list>

#include "client/ClientDatacore.h"
#include "client/DatacoreStatusWidget.h"
#include "client/DatacoreValueText.h"
#include "datacore/DatacoreActiveStatusMessage.h"
#include "datacore/DatacoreValidStatusMessage.h"

namespace Corvane {
namespace {

// Inactive rows: still readable, clearly in the background.
const QColor inactiveText(0x8c, 0x8c, 0x8c);

template <typename Message>
QStringList textsOf(const std::list<Message>& messages) {
    QStringList texts;
    for (const Message& message : messages) {
        texts.append(message.getText());
    }
    return texts;
}

QString stateText(bool good, const char* goodWord, const char* badWord,
                  const QStringList& reasons) {
    if (good) {
        return QLatin1String(goodWord);
    }
    const QString word = QLatin1String(badWord);
    return reasons.isEmpty() ? word
                             : word + QStringLiteral(": ") + reasons.join(QLatin1String("; "));
}

}  // namespace

struct DatacoreTreeModel::Node {
    QString name;  // last path segment
    QString path;
    Node* parent = nullptr;
    int row = 0;
    std::vector<std::unique_ptr<Node>> children;
    // Null for a row that only groups others. A QPointer, so a datacore that
    // went away without a clear() is never touched.
    QPointer<ClientDatacore> datacore;
    QStringList data;
    QStringList invalidReasons;
    QStringList inactiveReasons;
    bool valid = true;
    bool active = true;
    bool inSync = false;  // a fresh mirror waits for the server's state
    bool arrived = false;
    // The own state as last counted in the ancestors' tallies below.
    Health health = good;
    int invalidBelow = 0;
    int waitingBelow = 0;  // valid ones only: invalid outweighs waiting

    // As the row's own icon shows it: a datacore's reasons outweigh its wait.
    Health ownHealth() const {
        if (datacore == nullptr) {
            return good;
        }
        if (!valid) {
            return invalid;
        }
        return inSync ? good : waiting;
    }
};

DatacoreTreeModel::DatacoreTreeModel(QObject* parent)
    : QAbstractItemModel(parent), root_(std::make_unique<Node>()) {}

DatacoreTreeModel::~DatacoreTreeModel() = default;

void DatacoreTreeModel::populate(const std::vector<Entry>& datacores) {
    beginResetModel();
    for (Node* node : byPath_) {
        if (node->datacore) {
            node->datacore->disconnect(this);
        }
    }
    root_ = std::make_unique<Node>();
    byPath_.clear();
    datacoreCount_ = 0;
    arrivedCount_ = 0;
    for (const Entry& entry : datacores) {
        if (entry.first.isEmpty()) {
            continue;  // nothing to show it under
        }
        Node& node = nodeFor(entry.first);
        if (entry.second != nullptr && node.datacore == nullptr) {
            node.datacore = entry.second;
            ++datacoreCount_;
            watch(node);
            rateNode(node, node.invalidReasons, false);  // inside the reset
        }
    }
    endResetModel();
}

void DatacoreTreeModel::clear() {
    populate({});
}

void DatacoreTreeModel::noteStateArrived(const QString& path) {
    Node* node = byPath_.value(path);
    if (node == nullptr || node->datacore == nullptr) {
        return;
    }
    // Read here as well as on datacoreUpdated: a state equal to what the
    // mirror started with changes nothing and so emits nothing.
    const QStringList reasons = node->invalidReasons;
    readDatacore(*node);
    rateNode(*node, reasons, true);
    const bool first = !node->arrived;
    node->arrived = true;
    arrivedCount_ += first ? 1 : 0;
    rowChanged(*node);
    if (first && arrivedCount_ == datacoreCount_) {
        emit populationComplete();
    }
}

QModelIndex DatacoreTreeModel::indexOfPath(const QString& path, int column) const {
    const Node* node = byPath_.value(path);
    return node == nullptr ? QModelIndex() : indexOf(*node, column);
}

ClientDatacore* DatacoreTreeModel::datacoreAt(const QModelIndex& index) const {
    const Node* node = nodeAt(index);
    return node == nullptr ? nullptr : node->datacore.data();
}

QModelIndex DatacoreTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* node = parent.isValid() ? nodeAt(parent) : root_.get();
    if (node == nullptr || row < 0 || row >= static_cast<int>(node->children.size()) ||
        column < 0 || column >= columnTotal) {
        return {};
    }
    return indexOf(*node->children[static_cast<size_t>(row)], column);
}

QModelIndex DatacoreTreeModel::parent(const QModelIndex& child) const {
    const Node* node = nodeAt(child);
    if (node == nullptr || node->parent == root_.get()) {
        return {};
    }
    return indexOf(*node->parent, nameColumn);
}

int DatacoreTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    const Node* node = parent.isValid() ? nodeAt(parent) : root_.get();
    return static_cast<int>(node->children.size());
}

int DatacoreTreeModel::columnCount(const QModelIndex&) const {
    return columnTotal;
}

QVariant DatacoreTreeModel::data(const QModelIndex& index, int role) const {
    const Node* node = nodeAt(index);
    if (node == nullptr) {
        return {};
    }
    const int column = index.column();
    const bool known = node->datacore != nullptr && node->arrived;
    switch (role) {
        case Qt::DisplayRole:
            if (column == nameColumn) {
                return node->name;
            }
            if (!known) {
                return {};
            }
            if (column == valueColumn) {
                return joinValues(node->data);
            }
            if (column == validityColumn) {
                return stateText(node->valid, "valid", "invalid", node->invalidReasons);
            }
            if (column == activityColumn) {
                return stateText(node->active, "active", "inactive", node->inactiveReasons);
            }
            return {};
        case Qt::EditRole:
            return column == valueColumn ? QVariant(joinValues(node->data)) : QVariant();
        case Qt::ToolTipRole: {
            QStringList lines{node->path};
            if (column == valueColumn && known) {
                lines.append(joinValues(node->data));  // in full, however narrow the column
            }
            for (const QString& reason : node->invalidReasons) {
                lines.append(QStringLiteral("Invalid: ") + reason);
            }
            for (const QString& reason : node->inactiveReasons) {
                lines.append(QStringLiteral("Inactive: ") + reason);
            }
            return lines.join(QLatin1Char('\n'));
        }
        case Qt::ForegroundRole:
            if (known && !node->active) {
                return inactiveText;
            }
            if (known && !node->valid && column == validityColumn) {
                return QColor(DatacoreStatusColours::error);
            }
            return {};
        case Qt::SizeHintRole:
            // Room for the status icon, which sets the height of every row.
            return column == statusColumn ? QVariant(QSize(DatacoreStatusWidget::iconSize + 8,
                                                           DatacoreStatusWidget::iconSize + 4))
                                          : QVariant();
        case pathRole:
            return node->path;
        case inSyncRole:
            return node->inSync;
        case stateArrivedRole:
            return node->arrived;
        case invalidReasonsRole:
            return node->invalidReasons;
        case healthRole: {
            const Health below = node->invalidBelow > 0   ? invalid
                                 : node->waitingBelow > 0 ? waiting
                                                          : good;
            return std::max(node->ownHealth(), below);
        }
        case branchInSyncRole:
            return (node->datacore == nullptr || node->inSync) && node->waitingBelow == 0;
        case statusMessagesRole: {
            QStringList messages = node->invalidReasons;
            if (const Node* first = firstInvalidBelow(*node)) {
                const QString where = first->path.mid(node->path.size() + 1);
                const QString reason = first->invalidReasons.value(0);
                messages.append(
                    (node->invalidBelow == 1 ? QStringLiteral("1 datacore below is invalid: %2")
                                             : QStringLiteral("%1 datacores below are invalid: %2")
                                                   .arg(node->invalidBelow))
                        .arg(reason.isEmpty() ? where : where + QStringLiteral(": ") + reason));
            }
            return messages;
        }
        default:
            return {};
    }
}

bool DatacoreTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const Node* node = nodeAt(index);
    if (role != Qt::EditRole || index.column() != valueColumn || node == nullptr ||
        node->datacore == nullptr) {
        return false;
    }
    // The datacore calls back through datacoreUpdated, which updates the row.
    const QStringList values = splitValues(value.toString());
    if (values.size() == 1) {
        node->datacore->setDataString(values.front());
    } else {
        node->datacore->setDataStringList(values);
    }
    return true;
}

Qt::ItemFlags DatacoreTreeModel::flags(const QModelIndex& index) const {
    const Node* node = nodeAt(index);
    if (node == nullptr) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == valueColumn && node->datacore != nullptr && node->arrived) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant DatacoreTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const titles[columnTotal] = {"Datacore", "", "Value", "Validity",
                                                    "Activity"};
    if (orientation != Qt::Horizontal || section < 0 || section >= columnTotal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QLatin1String(titles[section]);
    }
    if (role == Qt::ToolTipRole && section == statusColumn) {
        return QStringLiteral(
            "In sync with the server, and valid; a row stands for the worst below it too");
    }
    return {};
}

DatacoreTreeModel::Node* DatacoreTreeModel::nodeAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex DatacoreTreeModel::indexOf(const Node& node, int column) const {
    return createIndex(node.row, column, const_cast<Node*>(&node));
}

DatacoreTreeModel::Node& DatacoreTreeModel::nodeFor(const QString& path) {
    if (Node* known = byPath_.value(path)) {
        return *known;
    }
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    Node& parent = slash < 0 ? *root_ : nodeFor(path.left(slash));
    auto node = std::make_unique<Node>();
    node->name = path.mid(slash + 1);
    node->path = path;
    node->parent = &parent;
    node->row = static_cast<int>(parent.children.size());
    Node* made = node.get();
    parent.children.push_back(std::move(node));
    byPath_.insert(path, made);
    return *made;
}

void DatacoreTreeModel::watch(Node& node) {
    Node* n = &node;
    ClientDatacore* datacore = node.datacore;
    connect(datacore, &ClientDatacore::datacoreUpdated, this, [this, n] {
        const QStringList reasons = n->invalidReasons;
        readDatacore(*n);
        rateNode(*n, reasons, true);
        rowChanged(*n);
    });
    connect(datacore, &ClientDatacore::datacoreInSyncWithServer, this, [this, n] {
        n->inSync = true;
        rateNode(*n, n->invalidReasons, true);
        rowChanged(*n);
    });
    connect(datacore, &ClientDatacore::datacoreOutOfSyncWithServer, this, [this, n] {
        n->inSync = false;
        rateNode(*n, n->invalidReasons, true);
        rowChanged(*n);
    });
    connect(datacore, &ClientDatacore::lostPackets, this, [this](int lost) {
        lostPackets_ += lost;
        emit lostPacketsChanged(lostPackets_);
    });
}

void DatacoreTreeModel::readDatacore(Node& node) {
    const ClientDatacore* datacore = node.datacore;
    if (datacore == nullptr) {
        return;
    }
    const std::deque<QString>& data = datacore->getDataArray();
    node.data = QStringList(data.begin(), data.end());
    std::list<DatacoreValidStatusMessage> invalidity;
    node.valid = datacore->isValid(invalidity);
    node.invalidReasons = textsOf(invalidity);
    std::list<DatacoreActiveStatusMessage> inactivity;
    node.active = datacore->isActive(inactivity);
    node.inactiveReasons = textsOf(inactivity);
}

void DatacoreTreeModel::rowChanged(const Node& node) {
    emit dataChanged(indexOf(node, nameColumn), indexOf(node, columnTotal - 1));
}

void DatacoreTreeModel::rateNode(Node& node, const QStringList& oldReasons, bool notify) {
    const Health was = node.health;
    const Health now = node.ownHealth();
    if (now == was && node.invalidReasons == oldReasons) {
        return;  // a new value only: nothing above changes
    }
    node.health = now;
    const int invalidDelta = int(now == invalid) - int(was == invalid);
    const int waitingDelta = int(now == waiting) - int(was == waiting);
    for (Node* above = node.parent; above != nullptr && above != root_.get();
         above = above->parent) {
        above->invalidBelow += invalidDelta;
        above->waitingBelow += waitingDelta;
        if (notify) {
            const QModelIndex cell = indexOf(*above, statusColumn);
            emit dataChanged(cell, cell);
        }
    }
}

const DatacoreTreeModel::Node* DatacoreTreeModel::firstInvalidBelow(const Node& node) const {
    // Follows the tallies down, so it costs the depth times the fan-out.
    const Node* at = &node;
    while (at != nullptr && at->invalidBelow > 0) {
        const Node* next = nullptr;
        for (const std::unique_ptr<Node>& child : at->children) {
            if (child->health == invalid) {
                return child.get();
            }
            if (child->invalidBelow > 0) {
                next = child.get();
                break;
            }
        }
        at = next;
    }
    return nullptr;
}

}  // namespace Corvane
