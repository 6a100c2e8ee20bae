// The board name read through usbfs from a USB board whose control requests
// the test answers itself (gadgetfs): in the board's own language, asked once
// per board, and never holding the caller long when the board stays silent.
// Run inside hid-vm as root; anywhere else the tests skip.
#include "../fake_serial_list.h"
#include "board_descriptors.h"
#include "device_link.h"
#include "device_string.h"
#include "gadgetfs_board.h"
#include "kestro_ids.h"
#include "linux/linux_hid_platform.h"
#include "tests/support/guest_guards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace kestro {
namespace {

using Clock = std::chrono::steady_clock;
using test::GadgetfsBoard;
using test::GadgetfsBoardInfo;

// Outside the product ranges: only the name makes it a board.
constexpr std::uint16_t kNamedProduct = 0x2000;
// The longest a string request may keep the window waiting.
constexpr auto kStringBound = std::chrono::milliseconds(250);

GadgetfsBoardInfo namedBoard() {
    GadgetfsBoardInfo info;
    info.vendor = KESTRO_VENDOR_ID;
    info.product = kNamedProduct;
    // Not US English: the name must be asked in the language the board lists.
    info.language = 0x0407;
    info.strings = {{42, u"Kestro GF"}, {3, u"KGF-1"}};
    info.serialIndex = 3;
    info.reportDescriptor = test::kUnnumbered;
    return info;
}

class UsbControlTest : public testing::Test {
protected:
    void SetUp() override { KESTRO_SKIP_WITHOUT_DUMMY_UDC(); }

    LinuxHidPlatform platform;
    SecurityAttributes security;
};

TEST_F(UsbControlTest, TheNameInTheBoardsLanguageMakesItABoardAskedOnce) {
    GadgetfsBoard board(namedBoard());
    ASSERT_FALSE(board.node().empty()) << board.error();
    // What the kernel asked while it enumerated does not count.
    board.forgetRequests();

    test::FakeSerialList list;
    DeviceLink link(platform, list);
    link.Scan_USB_devices();
    EXPECT_EQ(list.items, std::vector<std::string>{"KGF-1"});
    ASSERT_TRUE(link.FindTheHid());
    EXPECT_EQ(link.devicePath, board.node());
    link.CloseBoard();

    // The scan and the search each asked for the name; the language table
    // was asked for the first of them only.
    EXPECT_EQ(board.stringRequests(42), 2);
    EXPECT_EQ(board.stringRequests(0), 1);
}

TEST_F(UsbControlTest, ABoardThatNeverAnswersHoldsEachStringRequestBriefly) {
    struct Row {
        const char* what;
        std::set<std::uint8_t> unanswered;
    };
    const Row rows[] = {
        {"name unanswered", {42}},
        {"language table and name unanswered", {0, 42}},
    };
    GadgetfsBoard board(namedBoard());
    ASSERT_FALSE(board.node().empty()) << board.error();
    for (const Row& row : rows) {
        // A platform of its own has asked the board nothing yet.
        LinuxHidPlatform fresh;
        board.leaveUnanswered(row.unanswered);
        board.forgetRequests();

        Clock::duration longest{};
        // Two handles, as the walk and the window open the board afresh.
        for (int call = 0; call < 2; ++call) {
            const HidHandle handle = fresh.open(board.node(), OpenMode::Synchronous, security);
            ASSERT_NE(handle, kNoHandle) << row.what;
            DeviceStringBuffer name;
            const auto start = Clock::now();
            EXPECT_FALSE(
                fresh.getIndexedString(handle, 42, name.data(), DeviceStringBuffer::kOffered))
                << row.what;
            longest = std::max(longest, Clock::now() - start);
            fresh.close(handle);
            board.settle();
        }
        EXPECT_LT(longest, kStringBound) << row.what;
        std::printf("[ measured ] %s: longest string request %lld ms\n", row.what,
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()));
        // A language or a name the board never gave is not asked for again
        // while it stays plugged in.
        EXPECT_EQ(board.stringRequests(0), 1) << row.what;
        EXPECT_EQ(board.stringRequests(42), 1) << row.what;
    }
}

} // namespace
} // namespace kestro
