// When the reports of a node must be taken next. The kernel keeps at most 64
// reports per open hidraw node and drops the newest beyond them; the poll
// tick takes them as a rule, and the drain thread only when the ticks fall
// behind. Every look, the tick's or the thread's, pushes the thread's next
// look back by the time in which the board at its pace fills most of the
// queue: while the ticks keep up, the thread never wakes.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace kestro::linux_hid {

class DrainPace {
public:
    using Clock = std::chrono::steady_clock;

    // A look at the node at `now` that took `reports`. Returns how long the
    // next look may wait, or nothing when the node ran dry: then the first
    // report to arrive is what calls for a look.
    std::optional<std::chrono::milliseconds> afterLook(Clock::time_point now,
                                                       std::uint64_t reports);

private:
    std::optional<Clock::time_point> lastLook_;
    bool flowing_ = false;
};

} // namespace kestro::linux_hid
