// The drain thread's pace decides whether a board that streams wakes it and
// whether a stalled window loses the newest reports.
#include "linux/drain_pace.h"

#include <gtest/gtest.h>

namespace kestro::linux_hid {
namespace {

using std::chrono::milliseconds;

TEST(DrainPace, LooksBeforeTheKernelsQueueFillsAndNotSoonerThanNeeded) {
    struct Row {
        const char* board;
        // Each look: milliseconds after the one before, reports it took.
        std::vector<std::pair<int, int>> looks;
        std::optional<milliseconds> wait;
    };
    const Row rows[] = {
        {"quiet", {{50, 0}, {50, 0}}, std::nullopt},
        {"first report after a pause", {{50, 0}, {50, 1}}, milliseconds(16)},
        // The poll tick keeps up: the thread's wait outlasts a late tick.
        {"1 kHz read every tick", {{50, 0}, {50, 1}, {50, 50}}, milliseconds(56)},
        {"1 kHz read by the thread", {{50, 1}, {16, 16}, {56, 56}}, milliseconds(56)},
        {"4 kHz", {{50, 1}, {16, 64}}, milliseconds(16)},
        {"slow board", {{50, 1}, {250, 25}}, milliseconds(250)},
        {"the board stops", {{50, 1}, {50, 50}, {50, 0}}, std::nullopt},
    };
    for (const Row& row : rows) {
        DrainPace pace;
        DrainPace::Clock::time_point now{};
        std::optional<milliseconds> wait;
        for (const auto& [after, reports] : row.looks) {
            now += milliseconds(after);
            wait = pace.afterLook(now, static_cast<std::uint64_t>(reports));
        }
        EXPECT_EQ(wait, row.wait) << row.board;
    }
}

} // namespace
} // namespace kestro::linux_hid
