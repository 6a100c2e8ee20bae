#include "config/permission_hint.h"

namespace kestro {

std::string permissionHintText(const RefusedBoard& board) {
    // Not every backend can name the node; the interface path is the next
    // best thing to look up.
    const std::string& where = board.node.empty() ? board.path : board.node;
    return "Kestro board found at " + where + " but access was denied: install the udev rule " +
           kUdevRuleName + " (see README) and replug the board.";
}

} // namespace kestro
