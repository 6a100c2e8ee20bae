#include "short_replies.h"

namespace kestro::windows_hid {

namespace {
// A readback is a handful of replies; a longer run adds nothing to read.
constexpr std::size_t kCountsShown = 16;
} // namespace

void ShortReplies::replied(std::uint32_t count, std::uint32_t length, bool whole) {
    ++replies_;
    anyWhole_ = anyWhole_ || whole;
    length_ = length;
    if (counts_.size() < kCountsShown)
        counts_.push_back(count);
}

std::optional<std::string> ShortReplies::endExchange() {
    std::optional<std::string> line;
    if (replies_ > 0 && !anyWhole_) {
        line = "get feature: all " + std::to_string(replies_) +
               " replies to the last request refused as short, byte counts";
        for (const std::uint32_t count : counts_)
            line->append(" " + std::to_string(count));
        if (replies_ > counts_.size())
            line->append(" ...");
        line->append(" of " + std::to_string(length_) + "-byte reports");
    }
    *this = ShortReplies{};
    return line;
}

} // namespace kestro::windows_hid
