// Board strings are 8-bit text (the low byte of each UTF-16 unit); terminals,
// command lines and JSON are UTF-8.
#pragma once

#include "config/latin1.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestro::cli {

using kestro::latin1ToUtf8;
// Nothing when the text holds a character that no board string can hold.
std::optional<std::string> utf8ToLatin1(const std::string& utf8);

} // namespace kestro::cli
