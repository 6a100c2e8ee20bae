#include "drain_pace.h"

#include <algorithm>

namespace kestro::linux_hid {

namespace {

using std::chrono::milliseconds;

// A board that starts sending after a pause may send at any pace: the next
// look comes after about a frame, which holds 64 reports up to 4 kHz.
constexpr milliseconds kShortest{16};
// A slow board still has its queue looked at a few times a second.
constexpr milliseconds kLongest{250};
// Reports the queue may hold when the next look is due; the 8 left of 64
// are the thread's time to wake (8 ms at 1 kHz). The poll tick's 50 ms stay
// shorter than the wait even for a board at 1 kHz, with room for a late tick.
constexpr std::uint64_t kReportsPerLook = 56;

} // namespace

std::optional<milliseconds> DrainPace::afterLook(Clock::time_point now, std::uint64_t reports) {
    const auto since = lastLook_ ? now - *lastLook_ : Clock::duration::zero();
    const bool wasFlowing = flowing_;
    lastLook_ = now;
    flowing_ = reports > 0;
    if (reports == 0)
        return std::nullopt;
    if (!wasFlowing)
        return kShortest;
    // The time the board took for these reports, scaled to a queue's worth.
    const auto wait = std::chrono::duration_cast<milliseconds>(
        since * static_cast<std::int64_t>(kReportsPerLook) / static_cast<std::int64_t>(reports));
    return std::clamp(wait, kShortest, kLongest);
}

} // namespace kestro::linux_hid
