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

TEST(InputChannel, OneReadTakesAtMost512ReportsFromTheNode) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
    const std::vector<std::uint8_t> reports(600 * 17, 0x5A);
    ASSERT_EQ(::write(ends[1], reports.data(), reports.size()), std::ssize(reports));
    std::vector<std::uint8_t> buffer(1000);
    EXPECT_EQ(InputChannel(ends[0], 17, true, false).read(buffer.data(), 1000).count, 58u * 17);
    int left = 0;
    EXPECT_EQ(::ioctl(ends[0], FIONREAD, &left), 0);
    EXPECT_EQ(left, (600 - 512) * 17);
    ::close(ends[0]);
    ::close(ends[1]);
}

} // namespace
} // namespace kestro::linux_hid
