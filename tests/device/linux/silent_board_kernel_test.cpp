// A board that never answers feature requests, against the real kernel: it
// may hold the caller for one kernel timeout per plug-in, and its input
// reports must go on arriving. Run inside hid-vm as root; elsewhere it skips.
#include "board_descriptors.h"
#include "kestro_ids.h"
#include "linux/linux_hid_platform.h"
#include "uhid_board.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <unistd.h>

namespace kestro {
namespace {

using Clock = std::chrono::steady_clock;
using test::UhidBoard;

// Far below uhid's 5 s, far above a request that fails at once.
constexpr auto kAtOnce = std::chrono::milliseconds(500);

std::unique_ptr<UhidBoard> silentBoard() {
    auto board = std::make_unique<UhidBoard>(
        test::UhidBoardInfo{"silent", "KS-1", KESTRO_VENDOR_ID, 0x1140, 0x0110, test::kUnnumbered});
    board->ignoreRequests(1000);
    return board;
}

struct Handles {
    LinuxHidPlatform& platform;
    HidHandle feature;
    HidHandle read;
    Handles(LinuxHidPlatform& p, const std::string& node)
        : platform(p), feature(p.open(node, OpenMode::Synchronous, {})),
          read(p.open(node, OpenMode::Overlapped, {})) {}
    ~Handles() {
        platform.close(feature);
        platform.close(read);
    }
    Clock::duration timedRequest() {
        std::array<std::uint8_t, 65> frame{};
        const auto start = Clock::now();
        EXPECT_FALSE(platform.setFeature(feature, frame.data(), frame.size()));
        return Clock::now() - start;
    }
};

TEST(SilentBoard, HoldsTheCallerOncePerPlugInWhileItsReportsGoOn) {
    if (::geteuid() != 0 || ::access("/dev/uhid", W_OK) != 0)
        GTEST_SKIP() << "needs root and /dev/uhid: run inside hid-vm";
    LinuxHidPlatform platform;
    auto board = silentBoard();
    ASSERT_TRUE(board->created());
    {
        Handles first(platform, board->node());
        EXPECT_GE(first.timedRequest(), kAtOnce); // the kernel's timeout
        EXPECT_LT(first.timedRequest(), kAtOnce);
    }
    // A walk, and the board closed and opened again: it is not asked again,
    // and its input reports still come through.
    platform.presentInterfaces();
    Handles second(platform, board->node());
    EXPECT_LT(second.timedRequest(), kAtOnce);
    EXPECT_EQ(board->ignoredRequests(), 1);
    ASSERT_TRUE(board->input(test::Bytes(16, 0x01)));
    std::array<std::uint8_t, 1000> buffer{};
    Overlapped overlapped;
    ReadResult read{};
    for (int tries = 0; tries < 100 && read.outcome != ReadOutcome::Reports; ++tries) {
        read = platform.readInputReports(second.read, buffer.data(), buffer.size(), overlapped);
        ::usleep(10'000);
    }
    EXPECT_EQ(read.outcome, ReadOutcome::Reports);

    // Plugged in again, it is a new board and is asked again.
    board.reset();
    board = silentBoard();
    ASSERT_TRUE(board->created());
    platform.presentInterfaces();
    Handles third(platform, board->node());
    EXPECT_GE(third.timedRequest(), kAtOnce);
    EXPECT_EQ(board->ignoredRequests(), 1);
}

} // namespace
} // namespace kestro
