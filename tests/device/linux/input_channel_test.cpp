// The read channel over a node that never runs dry: a pipe stands in for a
// board that sends faster than the program reads, one report per read() of
// the slot's length, as hidraw hands them over.
#include "linux/input_channel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace kestro::linux_hid {
namespace {

TEST(InputChannel, OneReadTakesAtMost512ReportsAndEndsWithTheNewestTaken) {
    constexpr std::uint32_t kSlot = 17;
    constexpr int kQueued = 600;
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
    for (int n = 1; n <= kQueued; ++n) {
        std::vector<std::uint8_t> report(kSlot, 0);
        report[0] = static_cast<std::uint8_t>(n >> 8);
        report[1] = static_cast<std::uint8_t>(n & 0xFF);
        ASSERT_EQ(::write(ends[1], report.data(), kSlot), static_cast<ssize_t>(kSlot));
    }
    {
        InputChannel channel(ends[0], kSlot, true, false);
        std::vector<std::uint8_t> buffer(1000);
        const ReadResult result = channel.read(buffer.data(), 1000);
        ASSERT_EQ(result.outcome, ReadOutcome::Reports);
        ASSERT_EQ(result.count, 58 * kSlot);
        const std::uint8_t* newest = buffer.data() + result.count - kSlot;
        EXPECT_EQ(newest[0] << 8 | newest[1], 512);
    }
    int left = 0;
    ASSERT_EQ(::ioctl(ends[0], FIONREAD, &left), 0);
    EXPECT_EQ(left, static_cast<int>((kQueued - 512) * kSlot));
    ::close(ends[0]);
    ::close(ends[1]);
}

} // namespace
} // namespace kestro::linux_hid
