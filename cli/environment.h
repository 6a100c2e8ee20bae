// What a command may use of the world outside it, so that the whole of
// kestroctl runs in-process against a simulated backend and string streams.
#pragma once

#include "hid_platform.h"

#include <chrono>
#include <functional>
#include <istream>
#include <ostream>

namespace kestro::cli {

struct Environment {
    HidPlatform& platform;
    std::ostream& out;
    std::ostream& err;
    std::istream& in; // a backup read from "-"
    // The HID log on err even without --debug (KESTRO_HID_LOG=1).
    bool hidLog = false;
    // True once the user asked the monitor to stop (Ctrl-C).
    std::function<bool()> interrupted = [] { return false; };
    // Waits between two reads of the input reports.
    std::function<void(std::chrono::milliseconds)> sleep;
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
};

} // namespace kestro::cli
