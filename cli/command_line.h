// The command line: which command, with which options and operands, checked
// against what that command takes before anything reaches a board.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestro::cli {

enum class Command { None, List, Show, Set, Selftest, Monitor, Backup, Restore };

struct Invocation {
    Command command = Command::None;
    bool debug = false; // --debug: the HID log to stderr
    bool json = false;
    bool dryRun = false;
    std::optional<std::string> serial;
    std::optional<std::string> output;
    std::vector<std::string> operands;
};

struct ParsedCommandLine {
    Invocation invocation;
    // Help or the version, asked for: printed on stdout instead of running.
    std::optional<std::string> help;
    // A usage error, when not empty: "what failed: why".
    std::string error;
};

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

// What kestroctl without a command prints.
std::string mainHelp();

} // namespace kestro::cli
