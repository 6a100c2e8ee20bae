// Pacing for boards that send at a fixed rate: each wait ends at the next
// multiple of the period on the monotonic clock, not a period after the last
// report, so that the rate holds on a slow guest too.
#pragma once

#include <ctime>

namespace kestro::test {

class PacedClock {
public:
    explicit PacedClock(long rateHz) : period_(1000000000L / rateHz) {
        ::clock_gettime(CLOCK_MONOTONIC, &next_);
    }
    void waitForNextPeriod() {
        next_.tv_nsec += period_;
        while (next_.tv_nsec >= 1000000000L) {
            next_.tv_nsec -= 1000000000L;
            ++next_.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next_, nullptr);
    }

private:
    long period_;
    timespec next_{};
};

} // namespace kestro::test
