#include "packets/RadixTreeNode.h"

namespace Corvane {

bool RadixTreeNode::operator==(const RadixTreeNode& other) const {
    return name == other.name && children == other.children;
}

}  // namespace Corvane
