#include "device_link.h"
#include "fake_serial_list.h"
#include "sim/sim_platform.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using sim::Board;
using sim::saneBoard;

class DeviceLinkTest : public ::testing::Test {
protected:
    sim::SimPlatform platform;
    test::FakeSerialList serNo;
    DeviceLink link{platform, serNo};

    // What start-up does: list the boards, then open the selected one.
    bool scanAndFind() {
        link.Scan_USB_devices();
        return link.deviceDetected = link.FindTheHid();
    }
    void expectNothingOpen() {
        EXPECT_EQ(platform.openHandles(), 0);
        EXPECT_EQ(platform.counters().opens, platform.counters().closes);
    }
};

struct IdentityCase {
    const char* what;
    std::uint16_t vendor;
    std::uint16_t product;
    std::optional<std::u16string> name42;
    bool isBoard;
};

class IdentityRule : public DeviceLinkTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(IdentityRule, DecidesWhetherAnInterfaceIsABoard) {
    const IdentityCase& c = GetParam();
    Board board = saneBoard();
    board.vendorId = c.vendor;
    board.productId = c.product;
    board.name42 = c.name42;
    const auto id = platform.plug(board);

    link.Scan_USB_devices();
    EXPECT_EQ(serNo.items.size(), c.isBoard ? 1u : 0u) << c.what;
    // Another vendor's device is never asked for the board name.
    EXPECT_EQ(platform.board(id).string42Requests, c.vendor == KESTRO_VENDOR_ID ? 1 : 0) << c.what;
    expectNothingOpen();
}

INSTANTIATE_TEST_SUITE_P(
    Table, IdentityRule,
    ::testing::Values(
        IdentityCase{"first range start", KESTRO_VENDOR_ID, 0x1140, u"other", true},
        IdentityCase{"first range end", KESTRO_VENDOR_ID, 0x114A, u"other", true},
        IdentityCase{"second range start", KESTRO_VENDOR_ID, 0x1150, u"other", true},
        IdentityCase{"second range end", KESTRO_VENDOR_ID, 0x115A, u"other", true},
        IdentityCase{"below first range", KESTRO_VENDOR_ID, 0x113F, u"other", false},
        IdentityCase{"above first range", KESTRO_VENDOR_ID, 0x114B, u"other", false},
        IdentityCase{"below second range", KESTRO_VENDOR_ID, 0x114F, u"other", false},
        IdentityCase{"above second range", KESTRO_VENDOR_ID, 0x115B, u"other", false},
        IdentityCase{"out of range, named", KESTRO_VENDOR_ID, 0x114B, u"Kestro", true},
        IdentityCase{"name with more after it", KESTRO_VENDOR_ID, 0x2000, u"Kestro Box 2", true},
        IdentityCase{"name differs in case", KESTRO_VENDOR_ID, 0x2000, u"KESTRO", false},
        IdentityCase{"first five characters only", KESTRO_VENDOR_ID, 0x2000, u"Kestr", false},
        IdentityCase{"no string 42", KESTRO_VENDOR_ID, 0x2000, std::nullopt, false},
        IdentityCase{"in range, no string 42", KESTRO_VENDOR_ID, 0x1145, std::nullopt, true},
        IdentityCase{"first low byte zero", KESTRO_VENDOR_ID, 0x2000, u"\u4B00estro", false},
        IdentityCase{"other vendor, named, in range",
                     static_cast<std::uint16_t>(KESTRO_VENDOR_ID + 1), 0x1140, u"Kestro", false}));

TEST_F(DeviceLinkTest, HighBytesOfTheNameAreNotCompared) {
    Board board = saneBoard();
    board.productId = 0x2000;
    board.name42 = std::u16string{char16_t(0x014B), u'e', u's', u't', u'r', u'o'};
    platform.plug(board);
    link.Scan_USB_devices();
    EXPECT_EQ(serNo.items.size(), 1u);
}

TEST_F(DeviceLinkTest, AFailedNameRequestDoesNotReuseAnEarlierInterfacesName) {
    Board named = saneBoard(u"A");
    named.productId = 0x2000;
    Board failing = saneBoard(u"B");
    failing.productId = 0x2000;
    failing.fail.string42 = true;
    platform.plug(named);
    platform.plug(failing);

    link.Scan_USB_devices();
    EXPECT_EQ(serNo.items, (std::vector<std::string>{"A"}));
}

TEST_F(DeviceLinkTest, OpensTheBoardWhoseSerialEqualsTheListText) {
    const auto a = platform.plug(saneBoard(u"A"));
    const auto b = platform.plug(saneBoard(u"B"));
    link.Scan_USB_devices();
    ASSERT_EQ(serNo.text(), "B");

    ASSERT_TRUE(link.FindTheHid());
    EXPECT_EQ(link.devicePath, sim::SimPlatform::pathOf(b));
    // A was opened, identified, compared and closed on the way.
    EXPECT_EQ(platform.board(a).opens, 2);
    EXPECT_EQ(platform.board(b).opens, 3);
    EXPECT_EQ(platform.openHandles(), 2);
    EXPECT_NE(link.featureHandle, kNoHandle);
    EXPECT_NE(link.readHandle, kNoHandle);
}

TEST_F(DeviceLinkTest, DuplicateSerialsOpenTheFirstInEnumerationOrder) {
    const auto first = platform.plug(saneBoard(u"SAME"));
    platform.plug(saneBoard(u"SAME"));
    ASSERT_TRUE(scanAndFind());
    EXPECT_EQ(serNo.items.size(), 2u);
    EXPECT_EQ(serNo.selected, 1);
    EXPECT_EQ(link.devicePath, sim::SimPlatform::pathOf(first));
}

TEST_F(DeviceLinkTest, EmptyListTextMatchesOnlyAnEmptySerial) {
    platform.plug(saneBoard(u"A"));
    EXPECT_FALSE(link.FindTheHid()); // nothing listed yet: the text is empty
    expectNothingOpen();

    const auto blank = platform.plug(saneBoard(u""));
    EXPECT_TRUE(link.FindTheHid());
    EXPECT_EQ(link.devicePath, sim::SimPlatform::pathOf(blank));
}

TEST_F(DeviceLinkTest, SerialComparisonIsExact) {
    platform.plug(saneBoard(u"abc"));
    serNo.items = {"ABC"};
    serNo.selected = 0;
    EXPECT_FALSE(link.FindTheHid());
    expectNothingOpen();
}

TEST_F(DeviceLinkTest, ABoardWhoseSerialCannotBeReadIsSkipped) {
    Board board = saneBoard(u"");
    board.fail.serial = true;
    platform.plug(board);
    EXPECT_FALSE(link.FindTheHid());
    expectNothingOpen();
}

TEST_F(DeviceLinkTest, FailuresBeforeIdentificationSkipTheInterface) {
    for (auto fail : {&sim::Failures::open, &sim::Failures::attributes}) {
        sim::SimPlatform local;
        test::FakeSerialList list;
        DeviceLink localLink{local, list};
        Board board = saneBoard(u"");
        board.fail.*fail = true;
        local.plug(board);
        EXPECT_FALSE(localLink.FindTheHid());
        EXPECT_EQ(local.openHandles(), 0);
    }
}

TEST_F(DeviceLinkTest, SecondOpenFailingStillReportsTheBoardOpen) {
    Board board = saneBoard();
    board.fail.secondOpen = true;
    platform.plug(board);
    ASSERT_TRUE(scanAndFind());
    EXPECT_EQ(link.readHandle, kNoHandle);
    std::uint8_t buffer[1001] = {};
    EXPECT_EQ(link.ReadInputReports(buffer, 1000).outcome, ReadOutcome::Failed);
    link.CloseBoard();
    expectNothingOpen();
}

TEST_F(DeviceLinkTest, CapabilitiesComeFromTheOpenBoard) {
    Board board = saneBoard();
    board.caps = {20, 0, 33};
    platform.plug(board);
    ASSERT_TRUE(scanAndFind());
    EXPECT_EQ(link.deviceCapabilities.InputReportByteLength, 20);
    EXPECT_EQ(link.deviceCapabilities.FeatureReportByteLength, 33);
    EXPECT_EQ(platform.counters().preparsedObtained, 1);
    EXPECT_EQ(platform.counters().preparsedFreed, 1);
}

TEST_F(DeviceLinkTest, FailedCapabilitiesKeepThePreviousBoardsLengths) {
    Board first = saneBoard(u"A");
    first.caps = {20, 0, 40};
    const auto a = platform.plug(first);
    ASSERT_TRUE(scanAndFind());
    link.CloseBoard();
    platform.unplug(a);

    Board second = saneBoard(u"B");
    second.fail.capabilities = true;
    platform.plug(second);
    ASSERT_TRUE(scanAndFind());
    EXPECT_EQ(link.deviceCapabilities.FeatureReportByteLength, 40);
    EXPECT_EQ(platform.counters().preparsedObtained, platform.counters().preparsedFreed);
}

TEST_F(DeviceLinkTest, ReopeningReusesTheReadEventAndLeaksNothing) {
    const auto id = platform.plug(saneBoard());
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(scanAndFind());
        EXPECT_EQ(link.readOverlapped.hEvent, link.readEvent);
        EXPECT_EQ(link.readOverlapped.Offset, 0u);
        link.deviceDetected = false;
        link.CloseBoard();
        platform.unplug(id);
        link.Scan_USB_devices();
        platform.plug(saneBoard());
    }
    EXPECT_EQ(platform.counters().eventsCreated, 1);
    EXPECT_EQ(platform.counters().preparsedObtained, 3);
    EXPECT_EQ(platform.counters().preparsedFreed, 3);
    EXPECT_EQ(platform.counters().setsCreated, platform.counters().setsDestroyed);
    expectNothingOpen();
}

TEST_F(DeviceLinkTest, AReadHandsBackTheNewestReportsThatFit) {
    const auto id = platform.plug(saneBoard());
    ASSERT_TRUE(scanAndFind());
    for (int n = 0; n < 100; ++n)
        platform.queueInputReport(id, sim::buttonReport({static_cast<std::uint8_t>(n)}));
    std::vector<std::uint8_t> buffer(1000);
    const ReadResult read = link.ReadInputReports(buffer.data(), 1000);
    ASSERT_EQ(read.outcome, ReadOutcome::Reports);
    ASSERT_EQ(read.count, 58u * 17u);
    EXPECT_EQ(buffer[1], 42);
    EXPECT_EQ(buffer[read.count - 16], 99);
    EXPECT_EQ(link.ReadInputReports(buffer.data(), 1000).outcome, ReadOutcome::NothingQueued);
}

// A report longer than the read must not make every tick close, find and
// read back the board: it stays open, shows nothing, and is still lost.
TEST_F(DeviceLinkTest, ABoardWhoseReportsOutgrowTheReadStaysOpenUntilItGoes) {
    Board board = saneBoard();
    board.caps.InputReportByteLength = 1001;
    const auto id = platform.plug(board);
    ASSERT_TRUE(scanAndFind());
    platform.queueInputReport(id, sim::buttonReport({0xFF}, 1001));
    std::vector<std::uint8_t> buffer(1000);
    EXPECT_EQ(link.ReadInputReports(buffer.data(), 1000).outcome, ReadOutcome::NothingQueued);
    EXPECT_EQ(buffer[1], 0);
    platform.unplug(id);
    EXPECT_EQ(link.ReadInputReports(buffer.data(), 1000).outcome, ReadOutcome::Failed);
}

TEST_F(DeviceLinkTest, ClosingTwiceClosesOnce) {
    platform.plug(saneBoard());
    ASSERT_TRUE(scanAndFind());
    link.CloseBoard();
    const int closes = platform.counters().closes;
    link.CloseBoard();
    EXPECT_EQ(platform.counters().closes, closes);
    EXPECT_EQ(link.featureHandle, kNoHandle);
    EXPECT_EQ(link.readHandle, kNoHandle);
}

TEST_F(DeviceLinkTest, SearchSetsSecurityRecordForEveryOpen) {
    platform.plug(saneBoard());
    scanAndFind();
    EXPECT_EQ(link.handleSecurity.nLength, 12u);
    EXPECT_EQ(link.handleSecurity.bInheritHandle, -1);
    EXPECT_EQ(link.handleSecurity.lpSecurityDescriptor, nullptr);
}

TEST_F(DeviceLinkTest, ARefusedBoardIsRememberedUntilABoardOpens) {
    Board refused = saneBoard(u"R");
    refused.fail.accessDenied = true;
    refused.node = "/dev/hidraw7";
    const auto r = platform.plug(refused);
    Board keyboard = saneBoard(u"K");
    keyboard.vendorId = 0x046D;
    keyboard.fail.accessDenied = true;
    platform.plug(keyboard);

    link.Scan_USB_devices();
    ASSERT_TRUE(link.refusedBoard.has_value());
    EXPECT_EQ(link.refusedBoard->node, "/dev/hidraw7");
    EXPECT_TRUE(serNo.items.empty());

    platform.board(r).fail.accessDenied = false;
    ASSERT_TRUE(scanAndFind());
    EXPECT_FALSE(link.refusedBoard.has_value());
}

TEST_F(DeviceLinkTest, ABoardWhoseNameCannotBeReadForWantOfAccessIsRefused) {
    struct Row {
        const char* what;
        std::uint16_t vendor;
        std::uint16_t product;
        bool refused;
        bool listed;
    };
    const Row rows[] = {
        {"named product", KESTRO_VENDOR_ID, 0x2000, true, false},
        {"just outside a range", KESTRO_VENDOR_ID, 0x114B, true, false},
        {"product in range", KESTRO_VENDOR_ID, 0x1140, false, true},
        {"other vendor", static_cast<std::uint16_t>(KESTRO_VENDOR_ID + 1), 0x2000, false, false},
    };
    for (const Row& row : rows) {
        sim::SimPlatform local;
        test::FakeSerialList list;
        DeviceLink localLink{local, list};
        Board board = saneBoard(u"N");
        board.vendorId = row.vendor;
        board.productId = row.product;
        board.fail.string42AccessDenied = true;
        board.node = "/dev/hidraw4";
        board.usbNode = "/dev/bus/usb/001/007";
        const auto id = local.plug(board);

        // The scan and the search that follows it tell the same.
        for (bool search : {false, true}) {
            if (search)
                EXPECT_EQ(localLink.FindTheHid(), row.listed) << row.what;
            else
                localLink.Scan_USB_devices();
            ASSERT_EQ(localLink.refusedBoard.has_value(), row.refused) << row.what;
            if (row.refused) {
                EXPECT_EQ(localLink.refusedBoard->node, "/dev/bus/usb/001/007") << row.what;
                EXPECT_EQ(localLink.refusedBoard->path, sim::SimPlatform::pathOf(id)) << row.what;
                EXPECT_EQ(localLink.refusedBoard->productId, row.product) << row.what;
            }
        }
        EXPECT_EQ(list.items.size(), row.listed ? 1u : 0u) << row.what;
        localLink.CloseBoard();
        EXPECT_EQ(local.openHandles(), 0) << row.what;
    }
}

TEST_F(DeviceLinkTest, OnlyKestroBoardsRefusedCountAsRefused) {
    Board keyboard = saneBoard(u"K");
    keyboard.vendorId = 0x046D;
    keyboard.fail.accessDenied = true;
    platform.plug(keyboard);
    Board plainFailure = saneBoard(u"F");
    plainFailure.fail.open = true;
    platform.plug(plainFailure);
    link.Scan_USB_devices();
    EXPECT_FALSE(link.refusedBoard.has_value());
}

} // namespace
} // namespace kestro
