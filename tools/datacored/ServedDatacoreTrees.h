#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <array>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include "client/ServerCommon.h"
#include "datacore/DatacoreBase.h"

namespace Corvane {

// The four datacore trees a server serves, built from a file in the
// datacore JSON form: one key per root, each node an object holding its
// element keys ("class", "data", "reasonsForBeingInvalid",
// "reasonsForBeingInactive") and one key per child. The trees own their
// nodes and are taken down as a whole.
class ServedDatacoreTrees {
public:
    using Tree = ServerCommon::DatacoreTree;
    // The trees, numbered from 0 (configuration) in the order a client
    // lists their paths.
    static constexpr int treeCount = ServerCommon::invalidTree;

    // Bounds on what a file may describe: real trees are a few thousand
    // nodes, less than ten deep. The datacores and their paths are bounded
    // as a client bounds the path tree it mirrors, so that a client takes
    // whatever the server serves.
    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;
    static constexpr int maxDepth = 64;

    // Null, with one line in `error`, when the text is not JSON, not an
    // object, lacks a root, or does not have the form above.
    static std::unique_ptr<ServedDatacoreTrees> fromJson(const QByteArray& text, QString& error);
    static std::unique_ptr<ServedDatacoreTrees> fromFile(const QString& path, QString& error);

    ~ServedDatacoreTrees();
    ServedDatacoreTrees(const ServedDatacoreTrees&) = delete;
    ServedDatacoreTrees& operator=(const ServedDatacoreTrees&) = delete;

    DatacoreBase& root(Tree tree) const { return *roots_[tree]; }
    // The node at a full path ("statusCoreRouter/input/sdi1"), or null;
    // `tree` gets the tree it belongs to.
    DatacoreBase* find(const QString& path, Tree& tree) const;
    // Every node, each tree in pre-order (a node before its children,
    // children in name order), trees in the order above.
    const std::vector<DatacoreBase*>& nodes() const { return order_; }
    // The nodes whose state changed since the last call, in the order the
    // tree collected them.
    std::list<DatacoreBase*> takeChanges(Tree tree);

    // The node's own JSON object with every key, not its children: what a
    // client mirror populates itself from.
    static QJsonObject stateOf(const DatacoreBase& node);

private:
    struct Located {
        DatacoreBase* node;
        Tree tree;
    };
    // A node and the object it was built from.
    using Built = std::pair<DatacoreBase*, QJsonObject>;

    ServedDatacoreTrees() = default;
    bool build(const QJsonObject& object, const QString& name, DatacoreBase* parent, Tree tree,
               int depth, std::vector<Built>& built, QString& error);
    static bool checkElements(const QJsonObject& object, const DatacoreBase& node, QString& error);
    void index(DatacoreBase& node, Tree tree);

    std::vector<std::unique_ptr<DatacoreBase>> owned_;
    std::array<DatacoreBase*, treeCount> roots_{};
    std::vector<DatacoreBase*> order_;
    QHash<QString, Located> byPath_;
    qint64 pathBytes_ = 0;  // of every node built so far
};

}  // namespace Corvane
