// Waiting for something another thread, process or the kernel does, without
// a fixed sleep: polls until it holds or the time is up.
#pragma once

#include <chrono>
#include <thread>

namespace kestro::test {

// True as soon as done() holds; false when it still does not at the end.
template <class Done>
bool waitUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10),
               std::chrono::milliseconds step = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(step);
    }
    return true;
}

} // namespace kestro::test
