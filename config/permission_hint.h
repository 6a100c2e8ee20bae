// The words that tell the user why a board that is plugged in cannot be
// used, and what fixes it.
#pragma once

#include "device_link.h"

#include <string>
#include <vector>

namespace kestro {

inline constexpr const char* kUdevRuleName = "60-kestro-setup.rules";

// Where udev reads rules from: the package's place, then the
// administrator's.
std::vector<std::string> udevRuleDirectories();
bool udevRuleInstalled(const std::vector<std::string>& directories);

// The node the system refused, or the interface path where a backend cannot
// name the node.
std::string refusedNode(const RefusedBoard& board);
// What the user does about a refused board; it depends on whether the rule
// is installed in one of ruleDirectories.
std::string permissionFix(const std::vector<std::string>& ruleDirectories = udevRuleDirectories());
// Names the node and the fix; the fix depends on whether the rule is
// installed in one of ruleDirectories.
std::string permissionHintText(const RefusedBoard& board,
                               const std::vector<std::string>& ruleDirectories);
std::string permissionHintText(const RefusedBoard& board);

} // namespace kestro
