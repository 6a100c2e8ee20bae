// Every failure kestroctl reports has one form on standard error, which
// scripts and people can both read: "kestroctl: what failed: why".
#pragma once

#include <ostream>
#include <string_view>

namespace kestro::cli {

inline void complain(std::ostream& err, std::string_view what, std::string_view why) {
    err << "kestroctl: " << what << ": " << why << "\n";
}

} // namespace kestro::cli
