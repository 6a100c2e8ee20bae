// Board strings are 8-bit text (the low byte of each UTF-16 unit); terminals,
// command lines and JSON files are UTF-8.
#pragma once

#include <optional>
#include <string>

namespace kestro {

std::string latin1ToUtf8(const std::string& latin1);
std::optional<std::string> latin1ToUtf8(const std::optional<std::string>& latin1);

} // namespace kestro
