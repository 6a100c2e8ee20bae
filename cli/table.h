// Text in aligned columns, for people.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestro::cli {

using Row = std::vector<std::string>;

// Each column as wide as its widest cell (counted in UTF-8 characters), two
// spaces apart; the last column is not padded.
void printTable(const std::vector<Row>& rows, std::ostream& out);

} // namespace kestro::cli
