// kestroctl as a function of its arguments and its environment: main() runs
// it on the system's HID backend, the tests on simulated boards.
#pragma once

#include "cli/environment.h"

#include <string>
#include <vector>

namespace kestro::cli {

// args without the program name; returns the exit status. Every call to the
// platform goes through the switchable HID log.
int runKestroctl(const std::vector<std::string>& args, Environment& env);

} // namespace kestro::cli
