#pragma once

#include <QString>
#include <deque>

namespace Corvane {

// One datacore of a tree shape received from a server: its instance name
// and its children in the order the packet listed them. A plain value;
// copying copies the whole subtree.
struct RadixTreeNode {
    QString name;
    std::deque<RadixTreeNode> children;

    bool operator==(const RadixTreeNode& other) const;
    bool operator!=(const RadixTreeNode& other) const { return !(*this == other); }
};

}  // namespace Corvane
