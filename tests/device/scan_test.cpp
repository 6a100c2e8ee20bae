#include "device_link.h"
#include "fake_serial_list.h"
#include "sim/sim_platform.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using sim::saneBoard;

struct ScanCase {
    const char* what;
    std::vector<std::u16string> serials;
    std::vector<std::string> items;
    bool enabled;
};

class ScanStates : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanStates, ListsEveryBoardAndSelectsTheLast) {
    const ScanCase& c = GetParam();
    sim::SimPlatform platform;
    test::FakeSerialList serNo;
    serNo.items = {"stale"};
    serNo.selected = 0;
    DeviceLink link{platform, serNo};
    for (const auto& serial : c.serials)
        platform.plug(saneBoard(serial));

    link.Scan_USB_devices();

    EXPECT_EQ(serNo.items, c.items) << c.what;
    EXPECT_EQ(serNo.selected, static_cast<int>(c.items.size()) - 1) << c.what;
    EXPECT_EQ(serNo.enabled, c.enabled) << c.what;
    EXPECT_TRUE(link.serialListReady);
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_EQ(platform.counters().setsCreated, platform.counters().setsDestroyed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScanStates,
    ::testing::Values(ScanCase{"none", {}, {}, false}, ScanCase{"one", {u"A"}, {"A"}, false},
                      ScanCase{"three", {u"A", u"B", u"C"}, {"A", "B", "C"}, true},
                      ScanCase{"duplicates", {u"D", u"D"}, {"D", "D"}, true},
                      ScanCase{"empty serial", {u""}, {""}, false}));

TEST(Scan, ABoardWithoutReadableSerialIsNotListedNorCounted) {
    sim::SimPlatform platform;
    test::FakeSerialList serNo;
    DeviceLink link{platform, serNo};
    auto mute = saneBoard(u"M");
    mute.fail.serial = true;
    platform.plug(mute);
    platform.plug(saneBoard(u"A"));

    link.Scan_USB_devices();
    EXPECT_EQ(serNo.items, (std::vector<std::string>{"A"}));
    EXPECT_FALSE(serNo.enabled);
}

TEST(Scan, ItsOwnSelectionsHappenWhileTheListIsNotReady) {
    sim::SimPlatform platform;
    test::FakeSerialList serNo;
    DeviceLink link{platform, serNo};
    platform.plug(saneBoard(u"A"));
    platform.plug(saneBoard(u"B"));
    std::vector<bool> readyAtSelection;
    serNo.onSelect = [&] { readyAtSelection.push_back(link.serialListReady); };

    link.Scan_USB_devices();
    EXPECT_EQ(readyAtSelection, (std::vector<bool>{false, false}));
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
    EXPECT_FALSE(link.deviceDetected);
}

TEST(Scan, LongAndWideSerialsAreDecodedByTheirLowBytes) {
    sim::SimPlatform platform;
    test::FakeSerialList serNo;
    DeviceLink link{platform, serNo};
    platform.plug(saneBoard(std::u16string(60, u'9')));
    platform.plug(saneBoard(u"AB\u0143C"));
    platform.plug(saneBoard(u"XY\u0100Z"));

    link.Scan_USB_devices();
    ASSERT_EQ(serNo.items.size(), 3u);
    EXPECT_EQ(serNo.items[0], std::string(50, '9'));
    EXPECT_EQ(serNo.items[1], "ABCC");
    EXPECT_EQ(serNo.items[2], "XY");
}

} // namespace
} // namespace kestro
