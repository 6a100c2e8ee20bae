// The one line that tells the user why a board that is plugged in cannot be
// used, and what fixes it.
#pragma once

#include "device_link.h"

#include <string>

namespace kestro {

inline constexpr const char* kUdevRuleName = "60-kestro-setup.rules";

// The node the system refused, or the interface path where a backend cannot
// name the node.
std::string refusedNode(const RefusedBoard& board);
std::string permissionHintText(const RefusedBoard& board);

} // namespace kestro
