// The window on the real kernel through an evening of replugging: a uhid
// board destroyed and created again 200 times while the ticks run. Every
// descriptor of a lost board goes back to the system, and the board that
// comes back last is open and read back. Run inside hid-vm as root.
#include "app/frm_main.h"
#include "board_descriptors.h"
#include "kestro_ids.h"
#include "system_platform.h"
#include "tests/support/guest_guards.h"
#include "tests/support/process_counts.h"
#include "uhid_board.h"

#include <QComboBox>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace kestro {
namespace {

using test::Bytes;
using test::UhidBoard;

constexpr int kReplugs = 200;
constexpr std::size_t kFeatureLength = 65;

// A board whose every fetch is a general block saying "200 ms", so a view
// showing it was read back from the board and not left at its default.
class ReplugBoard {
public:
    std::unique_ptr<UhidBoard> plug() {
        readbacks_ = 0;
        test::FeatureAnswers answers{[this](std::uint8_t, const Bytes& data) {
                                         if (data.size() > 1 && data[1] == 0xE0)
                                             ++readbacks_;
                                     },
                                     [](std::uint8_t, Bytes& data) {
                                         data.assign(kFeatureLength, 0);
                                         data[1] = 0x40; // general block
                                         data[2] = 25;   // 200 ms
                                         data[16] = 255; // Auto
                                         return true;
                                     }};
        return std::make_unique<UhidBoard>(test::UhidBoardInfo{"replug", "KR-1", KESTRO_VENDOR_ID,
                                                               0x1142, 0x0110, test::kUnnumbered},
                                           std::move(answers));
    }
    int readbacks() const { return readbacks_; }

private:
    std::atomic<int> readbacks_{0};
};

TEST(WindowReplugOnKernel, TwoHundredReplugsLeaveNoDescriptorBehind) {
    KESTRO_SKIP_WITHOUT_UHID();
    const auto started = std::chrono::steady_clock::now();
    ReplugBoard maker;
    auto board = maker.plug();
    ASSERT_TRUE(board->created());
    const auto platform = makeSystemHidPlatform();
    frmMain window(*platform);
    window.Form_Load();
    ASSERT_TRUE(window.link().deviceDetected);
    window.PollDevice();
    const std::size_t afterFirstOpen = test::openDescriptorCount();

    for (int round = 1; round <= kReplugs; ++round) {
        board->destroy();
        window.PollDevice(); // notices the loss and looks again at once
        ASSERT_FALSE(window.link().deviceDetected) << round;
        window.PollDevice(); // and on every tick while the board is away
        board.reset();
        board = maker.plug();
        ASSERT_TRUE(board->created()) << round;
        window.PollDevice();
        ASSERT_TRUE(window.link().deviceDetected) << round;
    }

    const std::size_t atEnd = test::openDescriptorCount();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "open descriptors: %zu after the first board opened, %zu after %d replugs; %.1f s\n",
        afterFirstOpen, atEnd, kReplugs, seconds);
    // Not equal: a request an earlier test gave up on may still hold its
    // node when the first count is taken, and let go of it since.
    EXPECT_LE(atEnd, afterFirstOpen);
    EXPECT_EQ(maker.readbacks(), 1);
    EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("Delay"))->currentText(), "200 ms");
    window.close();
}

} // namespace
} // namespace kestro
