// The feature replies refused as short since the last request was sent, so
// that an exchange in which every reply was refused leaves one line with
// its byte counts in the debug log: a count convention that differs between
// systems then shows up in a bug report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestro::windows_hid {

class ShortReplies {
public:
    void replied(std::uint32_t count, std::uint32_t length, bool whole);
    // The exchange ends (a new request goes out, or the handle closes): its
    // line when it had replies and none of them was whole.
    std::optional<std::string> endExchange();

private:
    std::uint32_t replies_ = 0;
    bool anyWhole_ = false;
    std::uint32_t length_ = 0;
    std::vector<std::uint32_t> counts_;
};

} // namespace kestro::windows_hid
