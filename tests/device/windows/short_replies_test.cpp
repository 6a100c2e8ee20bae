#include "windows/short_replies.h"

#include <gtest/gtest.h>

namespace kestro::windows_hid {
namespace {

TEST(ShortReplies, OneLineOnlyWhenEveryReplyOfAnExchangeWasShort) {
    const struct {
        std::initializer_list<std::pair<std::uint32_t, bool>> replies; // count, whole
        std::optional<std::string> line;
    } cases[] = {
        {{}, std::nullopt},
        {{{63, false}, {64, true}}, std::nullopt},
        {{{63, false}, {10, false}},
         "get feature: all 2 replies to the last request refused as short, byte counts 63 10 "
         "of 65-byte reports"},
        {{}, std::nullopt}, // each exchange starts afresh
    };
    ShortReplies tally;
    for (const auto& c : cases) {
        for (const auto& [count, whole] : c.replies)
            tally.replied(count, 65, whole);
        EXPECT_EQ(tally.endExchange(), c.line);
    }
}

} // namespace
} // namespace kestro::windows_hid
