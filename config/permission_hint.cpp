#include "config/permission_hint.h"

namespace kestro {

std::string refusedNode(const RefusedBoard& board) {
    // Not every backend can name the node; the interface path is the next
    // best thing to look up.
    return board.node.empty() ? board.path : board.node;
}

std::string permissionHintText(const RefusedBoard& board) {
    return "Kestro board found at " + refusedNode(board) +
           " but access was denied: install the udev rule " + kUdevRuleName +
           " (see README) and replug the board.";
}

} // namespace kestro
