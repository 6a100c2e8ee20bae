#include "config/protocol.h"
#include "session_fixture.h"

namespace kestro {
namespace {

using test::SessionTest;

class SettingsWriteTest : public SessionTest {
protected:
    void SetUp() override {
        id = platform.plug(sim::saneBoard());
        start();
        takeReceived(id);
    }
    sim::SimPlatform::DeviceId id = 0;
};

struct PickCase {
    const char* what;
    Control list;
    int index;
    std::uint8_t address;
    std::uint8_t value;
};

class UserPicks : public SettingsWriteTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(UserPicks, SendOneFrameToTheFullFeatureLength) {
    const PickCase& c = GetParam();
    // Start from another item so the pick is a change.
    view.lists[c.list].selected = c.index == 0 ? 1 : 0;
    view.pick(c.list, c.index);
    const auto received = takeReceived(id);
    ASSERT_EQ(received.size(), 1u) << c.what;
    EXPECT_EQ(received[0], frame({0x00, 0xEE, c.address, c.value})) << c.what;
    EXPECT_EQ(link.lastResult, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UserPicks,
    ::testing::Values(PickCase{"encoder 5 1:2", encControl(5), 2, 0x28, 0x04},
                      PickCase{"encoder 16 off", encControl(16), 0, 0x3E, 0x00},
                      PickCase{"encoder 16 1:4", encControl(16), 3, 0x3E, 0x08},
                      PickCase{"encoder 1 off", encControl(1), 0, 0x20, 0x00},
                      PickCase{"encoder 1 1:1", encControl(1), 1, 0x20, 0x02},
                      PickCase{"200 ms", Control::Delay, 24, 0x40, 0x19},
                      PickCase{"8 ms", Control::Delay, 0, 0x40, 0x01},
                      PickCase{"Auto", Control::RotStart, 0, 0x4E, 0xFF},
                      PickCase{"2", Control::RotStart, 1, 0x4E, 0x01},
                      PickCase{"33", Control::RotStart, 32, 0x4E, 0x20}));

// Emptied while the settings count as loaded, every list raises its handler
// with nothing selected.
TEST_F(SettingsWriteTest, NoSelectionSendsZeroButNoStartPosition) {
    std::vector<std::vector<std::uint8_t>> expected;
    for (int n = 1; n <= 16; ++n) {
        view.clearList(encControl(n));
        expected.push_back(frame({0x00, 0xEE, encoderModeAddress(n), 0x00}));
    }
    view.clearList(Control::Delay);
    expected.push_back(frame({0x00, 0xEE, 0x40, 0x00}));
    // "Auto" is 255; with no item there is nothing the user could have chosen.
    view.clearList(Control::RotStart);
    EXPECT_EQ(takeReceived(id), expected);
}

TEST_F(SettingsWriteTest, TheCheckBoxSendsItsState) {
    view.checkState = 0;
    view.click();
    view.click();
    const auto received = takeReceived(id);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], frame({0x00, 0xEE, 0x4D, 0x01}));
    EXPECT_EQ(received[1], frame({0x00, 0xEE, 0x4D, 0x00}));
}

TEST_F(SettingsWriteTest, TheBoardKeepsWhatWasWritten) {
    view.pick(encControl(5), 2);
    view.pick(Control::Delay, 24);
    EXPECT_EQ(platform.board(id).firmware.settings[0x28], 0x04);
    EXPECT_EQ(platform.board(id).firmware.settings[0x40], 25);
}

TEST_F(SettingsWriteTest, FramesFollowTheBoardsFeatureLength) {
    link.deviceDetected = false;
    link.CloseBoard();
    platform.unplug(id);
    sim::Board board = sim::saneBoard();
    board.caps.FeatureReportByteLength = 9;
    id = platform.plug(board);
    start();
    takeReceived(id);
    view.pick(encControl(5), 2);
    const auto received = takeReceived(id);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], frame({0x00, 0xEE, 0x28, 0x04}, 9));
}

TEST_F(SettingsWriteTest, NothingIsSentWithoutABoardOrBeforeSettingsAreLoaded) {
    session.settingsLoaded = false;
    view.pick(encControl(5), 2);
    session.settingsLoaded = true;
    link.deviceDetected = false;
    view.pick(encControl(5), 3);
    EXPECT_TRUE(takeReceived(id).empty());
}

TEST_F(SettingsWriteTest, ARejectedWriteIsRecordedAndNotRepeated) {
    platform.board(id).fail.setFeature = true;
    view.pick(Control::Delay, 2);
    EXPECT_EQ(link.lastResult, 0);
    EXPECT_EQ(view.selectedText(Control::Delay), "24 ms");
    EXPECT_EQ(platform.counters().featureReportsSent, 2); // the readback, then this one
}

TEST_F(SessionTest, WithNoBoardPicksStayInTheWindow) {
    start();
    // As if the emptied, disabled list could still be picked from.
    view.lists[encControl(5)].items = {"off", "1:1", "1:2", "1:4"};
    view.enabled[encControl(5)] = true;
    view.pick(encControl(5), 2);
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
}

} // namespace
} // namespace kestro
