#include "cli/json_output.h"

namespace kestro::cli {

Json stringOrNull(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}

void printJsonLine(const Json& value, std::ostream& out) {
    out << value.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
}

} // namespace kestro::cli
