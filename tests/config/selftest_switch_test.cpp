#include "session_fixture.h"

namespace kestro {
namespace {

using test::SessionTest;

struct SelftestCase {
    std::uint8_t byte0, byte1;
    const char* caption;
    const char* text1;
};

class Selftest : public SessionTest, public ::testing::WithParamInterface<SelftestCase> {};

TEST_P(Selftest, ShowsTheBoardsAnswer) {
    const SelftestCase& c = GetParam();
    const auto id = platform.plug(sim::saneBoard());
    platform.board(id).firmware.selfTestByte0 = c.byte0;
    platform.board(id).firmware.selfTestByte1 = c.byte1;
    start();
    takeReceived(id);

    session.Selftest_Click();
    EXPECT_EQ(view.captions[Caption::TestResult], c.caption);
    EXPECT_EQ(view.text1, c.text1);
    const auto received = takeReceived(id);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], frame({0x00, 0xE1}));
}

INSTANTIATE_TEST_SUITE_P(Table, Selftest,
                         ::testing::Values(SelftestCase{0, 0, "Passed", "0 0"},
                                           SelftestCase{0, 5, "Failed on B5", "0 5"},
                                           SelftestCase{0, 17, "Failed on B17", "0 17"},
                                           SelftestCase{0, 255, "Failed on B255", "0 255"},
                                           SelftestCase{3, 0, "Passed", "3 0"}));

TEST_F(SessionTest, SelftestWithoutAnAnswerSaysSo) {
    for (auto fail : {&sim::Failures::setFeature, &sim::Failures::getFeature}) {
        const auto id = platform.plug(sim::saneBoard());
        start();
        sim::Board& board = platform.board(id);
        board.fail.*fail = true;
        const int sets = board.featureSets;
        const int gets = board.featureGets;
        session.Selftest_Click();
        EXPECT_EQ(view.captions[Caption::TestResult], "No reply");
        // Asked once and read once, whichever of the two failed.
        EXPECT_EQ(board.featureSets, sets + 1);
        EXPECT_EQ(board.featureGets, gets + 1);
        // The two bytes are shown whatever the buffer holds; after a failed
        // fetch that is still its zeros.
        if (fail == &sim::Failures::getFeature) {
            EXPECT_EQ(view.text1, "0 0");
        }
        link.deviceDetected = false;
        link.CloseBoard();
        platform.unplug(id);
    }
}

TEST_F(SessionTest, SelftestServesLongFeatureReports) {
    sim::Board board = sim::saneBoard();
    board.caps.FeatureReportByteLength = 200;
    const auto id = platform.plug(board);
    platform.board(id).firmware.selfTestByte1 = 9;
    start();
    takeReceived(id);
    session.Selftest_Click();
    EXPECT_EQ(view.captions[Caption::TestResult], "Failed on B9");
    EXPECT_EQ(takeReceived(id).at(0).size(), 200u);
}

TEST_F(SessionTest, SelftestWithNoBoardDoesNothing) {
    start();
    view.captions[Caption::TestResult] = "kept";
    session.Selftest_Click();
    EXPECT_EQ(view.captions[Caption::TestResult], "kept");
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
}

TEST_F(SessionTest, PickingTheOpenBoardReopensAndReadsItBack) {
    const auto a = platform.plug(sim::saneBoard(u"A"));
    const auto b = platform.plug(sim::saneBoard(u"B"));
    start();
    ASSERT_EQ(link.devicePath, sim::SimPlatform::pathOf(b));
    const int opens = platform.board(b).opens;
    takeReceived(b);

    serNo.pick(1);
    EXPECT_TRUE(link.deviceDetected);
    EXPECT_FALSE(session.reconnectPending);
    EXPECT_TRUE(session.settingsLoaded);
    EXPECT_EQ(platform.board(b).opens, opens + 2);
    EXPECT_EQ(takeReceived(b).size(), 1u); // the settings request again
    EXPECT_EQ(view.timerInterval, kLostIntervalMs);
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_EQ(platform.openHandles(), 2);
    (void)a;
}

TEST_F(SessionTest, PickingAnotherBoardOpensIt) {
    const auto a = platform.plug(sim::saneBoard(u"A"));
    platform.board(a).versionNumber = 0x0101;
    platform.plug(sim::saneBoard(u"B"));
    start();
    serNo.pick(0);
    EXPECT_EQ(link.devicePath, sim::SimPlatform::pathOf(a));
    EXPECT_EQ(view.captions[Caption::lblVersion], " 1.1");
    EXPECT_EQ(platform.openHandles(), 2);
}

TEST_F(SessionTest, PickingAMissingBoardEmptiesTheViewAndKeepsLooking) {
    const auto a = platform.plug(sim::saneBoard(u"A"));
    platform.plug(sim::saneBoard(u"B"));
    start();
    platform.unplug(a);
    serNo.pick(0);
    EXPECT_FALSE(link.deviceDetected);
    EXPECT_TRUE(session.reconnectPending);
    EXPECT_FALSE(session.settingsLoaded);
    EXPECT_TRUE(view.lists[encControl(1)].items.empty());
    EXPECT_EQ(view.captions[Caption::lblManuf], "");
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_EQ(platform.openHandles(), 0);
}

TEST_F(SessionTest, SelectionsWhileTheListIsFillingChangeNothing) {
    platform.plug(sim::saneBoard(u"A"));
    platform.plug(sim::saneBoard(u"B"));
    link.Scan_USB_devices(); // selects twice while not ready
    EXPECT_FALSE(link.deviceDetected);
    EXPECT_FALSE(session.reconnectPending);
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
}

TEST_F(SessionTest, SwitchingWithNoBoardOpenKeepsTheInterval) {
    platform.plug(sim::saneBoard(u"A"));
    platform.plug(sim::saneBoard(u"B"));
    link.Scan_USB_devices();
    view.timerInterval = 50;
    serNo.pick(0);
    EXPECT_TRUE(link.deviceDetected);
    EXPECT_EQ(view.timerInterval, 50);
}

} // namespace
} // namespace kestro
