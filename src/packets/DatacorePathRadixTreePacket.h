#pragma once

#include <QJsonObject>
#include <QString>

#include "packets/RadixTreeNode.h"
#include "packets/SerialisableDataPacket.h"

namespace Corvane {

class DatacoreBase;

// Tells a client which datacores a server has: the shape (instance names
// only, nested as in the tree) of up to four trees. Each node is described
// as {"Core": name, "Kids": [children...]}, "Kids" left out for a leaf.
class DatacorePathRadixTreePacket : public SerialisableDataPacket {
public:
    static constexpr const char* className = "DatacorePathRadixTreePacket";
    // What the four trees of one server may hold together, and so what a
    // client mirrors of them: the server refuses a file that describes more, a
    // client a path tree that does. Real trees are a few thousand datacores.
    static constexpr int maxDatacores = 65536;
    static constexpr const char* clientIdKey = "ClientId";
    static constexpr const char* statusTreeKey = "StatusTreeObject";
    static constexpr const char* configTreeKey = "ConfigTreeObject";
    static constexpr const char* commandTreeKey = "CommandTreeObject";
    static constexpr const char* persistentConfigTreeKey = "PersistentConfigTreeObject";
    static constexpr const char* coreKey = "Core";
    static constexpr const char* kidsKey = "Kids";
    // Deeper shapes are cut off when rebuilt, so a hostile packet cannot
    // exhaust the stack. Qt's parser already stops far above any real tree.
    static constexpr int maxTreeDepth = 256;

    DatacorePathRadixTreePacket();
    // A receiver makes one with className and copies the received object in.
    explicit DatacorePathRadixTreePacket(QString className);

    void setDestinationClientId(const QString& clientId);
    QString getDestinationClientId() const;
    bool containsClientId() const;

    bool containsStatusTree() const { return containsTree(statusTreeKey); }
    bool containsConfigTree() const { return containsTree(configTreeKey); }
    bool containsCommandTree() const { return containsTree(commandTreeKey); }
    bool containsPersistentConfigTree() const { return containsTree(persistentConfigTreeKey); }

    void setStatusTree(const DatacoreBase& root) { setTree(statusTreeKey, root); }
    void setConfigTree(const DatacoreBase& root) { setTree(configTreeKey, root); }
    void setCommandTree(const DatacoreBase& root) { setTree(commandTreeKey, root); }
    void setPersistentConfigTree(const DatacoreBase& root) {
        setTree(persistentConfigTreeKey, root);
    }

    // A missing tree rebuilds to a node with an empty name and no children.
    RadixTreeNode getRootNodeForStatusTree() const { return rootNodeFor(statusTreeKey); }
    RadixTreeNode getRootNodeForConfigTree() const { return rootNodeFor(configTreeKey); }
    RadixTreeNode getRootNodeForCommandTree() const { return rootNodeFor(commandTreeKey); }
    RadixTreeNode getRootNodeForPersistentConfigTree() const {
        return rootNodeFor(persistentConfigTreeKey);
    }

    // Whether the four trees, expanded into one path per node as the client
    // manager expands them (a tree left out counts as one nameless node, a
    // shape deeper than maxTreeDepth as cut off), make at most `maxPaths`
    // paths of at most `maxPathBytes` together, two bytes per UTF-16 code
    // unit. Reads the JSON only and stops at the first node past a bound, so
    // a hostile tree is refused before anything is built from it.
    bool pathsFitWithin(qint64 maxPaths, qint64 maxPathBytes) const;

    QJsonObject getDatacoreAsObjectContainingAllOfItsChildren(const DatacoreBase& node) const;
    // Lenient: a missing or non-string "Core" gives an empty name, a
    // non-object kid an empty leaf.
    RadixTreeNode getRadixTreeFromJson(const QJsonObject& shape) const;

private:
    bool containsTree(const char* key) const;
    void setTree(const char* key, const DatacoreBase& root);
    RadixTreeNode rootNodeFor(const char* key) const;
    RadixTreeNode rebuild(const QJsonObject& shape, int depth) const;
};

}  // namespace Corvane
