// kestroctl's --json output: values built as JSON, printed one compact
// document a line.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <ostream>
#include <string>

namespace kestro::cli {

// Keys stay in the order they are added: scripts may rely on them by name
// only, but people read them in that order.
using Json = nlohmann::ordered_json;

// The text, or null where there is none.
Json stringOrNull(const std::optional<std::string>& text);

// One line; text that is not UTF-8 is replaced, never thrown at the user.
void printJsonLine(const Json& value, std::ostream& out);

} // namespace kestro::cli
