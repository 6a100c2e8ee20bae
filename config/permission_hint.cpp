#include "config/permission_hint.h"

#include <filesystem>
#include <system_error>

namespace kestro {

std::vector<std::string> udevRuleDirectories() {
    return {"/usr/lib/udev/rules.d", "/etc/udev/rules.d"};
}

bool udevRuleInstalled(const std::vector<std::string>& directories) {
    for (const std::string& directory : directories) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::path(directory) / kUdevRuleName, error))
            return true;
    }
    return false;
}

std::string refusedNode(const RefusedBoard& board) {
    // Not every backend can name the node; the interface path is the next
    // best thing to look up.
    return board.node.empty() ? board.path : board.node;
}

std::string permissionFix(const std::vector<std::string>& ruleDirectories) {
#ifdef _WIN32
    (void)ruleDirectories;
    return "close any other program that uses it, then unplug and replug the board";
#else
    if (udevRuleInstalled(ruleDirectories))
        return "the udev rule is installed: unplug and replug the board";
    return std::string("install the rule: copy ") + kUdevRuleName +
           " to /etc/udev/rules.d, then unplug and replug the board";
#endif
}

std::string permissionHintText(const RefusedBoard& board,
                               const std::vector<std::string>& ruleDirectories) {
    return "Access to the Kestro board at " + refusedNode(board) +
           " was refused: " + permissionFix(ruleDirectories) + ".";
}

std::string permissionHintText(const RefusedBoard& board) {
    return permissionHintText(board, udevRuleDirectories());
}

} // namespace kestro
