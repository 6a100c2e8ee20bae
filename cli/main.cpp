// kestroctl on the system's HID stack; --debug (or KESTRO_HID_LOG=1) shows its
// traffic.
#include "cli/kestroctl.h"
#include "system_platform.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    interrupted = 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // The monitor stops at its next read, with its board closed properly.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#ifdef SIGPIPE
    // A reader that goes away (monitor | head) is a failed write that ends
    // the command with its status, not a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    const std::unique_ptr<kestro::HidPlatform> platform = kestro::makeSystemHidPlatform();
    const char* log = std::getenv("KESTRO_HID_LOG");
    kestro::cli::Environment env{
        *platform,
        std::cout,
        std::cerr,
        std::cin,
        log && std::strcmp(log, "1") == 0,
        [] { return interrupted != 0; },
        [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
        [] { return std::chrono::steady_clock::now(); },
    };

    const std::vector<std::string> args(argv + 1, argv + argc);
    return kestro::cli::runKestroctl(args, env);
}
