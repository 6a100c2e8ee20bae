// What kestroctl --help and kestroctl COMMAND --help print.
#pragma once

#include "cli/invocation.h"

#include <string>

namespace kestro::cli {

std::string mainHelp();
std::string commandHelp(Command command);
std::string versionText();

} // namespace kestro::cli
