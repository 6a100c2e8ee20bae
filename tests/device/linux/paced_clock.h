// Pacing for boards that send at a fixed rate, as a USB host polls them: each
// wait ends at the next multiple of the period, so that the rate holds on a
// slow guest too, and a period missed by more than a whole one is skipped,
// not made up with a burst, as a host that polls late takes one report.
#pragma once

#include <chrono>
#include <thread>

namespace kestro::test {

class PacedClock {
public:
    explicit PacedClock(long rateHz)
        : period_(1000000000L / rateHz), next_(std::chrono::steady_clock::now()) {}
    void waitForNextPeriod() {
        next_ += period_;
        const auto now = std::chrono::steady_clock::now();
        if (next_ + period_ < now)
            next_ = now;
        std::this_thread::sleep_until(next_);
    }

private:
    std::chrono::nanoseconds period_;
    std::chrono::steady_clock::time_point next_;
};

} // namespace kestro::test
