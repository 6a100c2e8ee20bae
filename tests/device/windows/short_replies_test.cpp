#include "windows/short_replies.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>

namespace kestro::windows_hid {
namespace {

struct Reply {
    std::uint32_t count;
    bool whole;
};

struct ExchangeCase {
    const char* what;
    std::initializer_list<Reply> replies;
    std::optional<std::string> line;
};

TEST(ShortReplies, OneLineOnlyWhenEveryReplyOfAnExchangeWasShort) {
    const ExchangeCase cases[] = {
        {"no reply", {}, std::nullopt},
        {"all whole", {{64, true}, {64, true}}, std::nullopt},
        {"one whole", {{63, false}, {64, true}}, std::nullopt},
        {"all short",
         {{63, false}, {10, false}},
         "get feature: all 2 replies to the last request refused as short, byte counts 63 10 "
         "of 65-byte reports"},
    };
    ShortReplies tally;
    for (const ExchangeCase& c : cases) {
        for (const Reply& reply : c.replies)
            tally.replied(reply.count, 65, reply.whole);
        EXPECT_EQ(tally.endExchange(), c.line) << c.what;
    }
    // Each exchange starts afresh.
    EXPECT_EQ(tally.endExchange(), std::nullopt);
}

} // namespace
} // namespace kestro::windows_hid
