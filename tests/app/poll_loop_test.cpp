// The poll loop, tick by tick, against simulated boards: what it paints,
// when it gives a board up, how it finds it again, and at what interval.
#include "user_input.h"
#include "window_fixture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace kestro::test {
namespace {

using Report = std::vector<std::uint8_t>;

// Lamps 0 … 127 that are red, in order.
std::vector<int> redLamps(const LampGrid& grid) {
    std::vector<int> pressed;
    for (int k = 0; k < kLamps; ++k)
        if (grid.pressed(k))
            pressed.push_back(k);
    return pressed;
}

class PollLoop : public WindowTest {
protected:
    void SetUp() override {
        id = sim.plug(sim::saneBoard());
        load();
        ASSERT_TRUE(boardOpen());
    }
    void queue(const Report& report) { sim.queueInputReport(id, report); }
    void tick() { window->PollDevice(); }
    std::vector<int> pressedLamps() { return redLamps(lamps()); }
    QPlainTextEdit* text2() { return control<QPlainTextEdit>("Text2"); }
    // Unplugs the board and takes the tick that notices.
    void loseBoard() {
        sim.unplug(id);
        tick();
        ASSERT_FALSE(boardOpen());
    }

    sim::SimPlatform::DeviceId id = 0;
};

struct NewestCase {
    const char* name;
    std::vector<Report> queued;
    std::vector<int> pressed;
};

class NewestReport : public PollLoop, public ::testing::WithParamInterface<NewestCase> {};

TEST_P(NewestReport, OnlyTheLastReportReadIsShown) {
    for (const Report& report : GetParam().queued)
        queue(report);
    tick();
    EXPECT_EQ(pressedLamps(), GetParam().pressed);
    EXPECT_EQ(interval(), 50);
}

Report lastButtonOnly() {
    Report report = sim::buttonReport({});
    report[16] = 0x80;
    return report;
}

INSTANTIATE_TEST_SUITE_P(
    Queued, NewestReport,
    ::testing::Values(
        // One whole report is enough to paint.
        NewestCase{"one", {sim::buttonReport({0x01})}, {0}},
        NewestCase{"two", {sim::buttonReport({0x01}), sim::buttonReport({0x02})}, {1}},
        NewestCase{"three",
                   {sim::buttonReport({0x01}), sim::buttonReport({0x02}), lastButtonOnly()},
                   {127}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PollLoop, FirstReportPaintsEveryLampAndLaterOnlyChangedBytes) {
    queue(sim::buttonReport({0x81}));
    tick();
    EXPECT_EQ(lamps().lampsPainted(), kLamps);
    EXPECT_EQ(pressedLamps(), (std::vector<int>{0, 7}));
    EXPECT_EQ(lamps().lampColor(0), QColor(0xFF, 0, 0));
    EXPECT_EQ(lamps().captionColor(7), QColor(0, 0, 0));
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(lamps().lampColor(k), lamps().palette().color(QPalette::Button)) << k;
        EXPECT_EQ(lamps().captionColor(k), QColor(0x40, 0x40, 0x40)) << k;
    }
    EXPECT_EQ(window->lastButtonBytes()[0], 0x81);

    queue(sim::buttonReport({0x81}));
    tick();
    EXPECT_EQ(lamps().lampsPainted(), kLamps) << "equal report repainted";

    queue(sim::buttonReport({0x81, 0x00, 0x10}));
    tick();
    EXPECT_EQ(lamps().lampsPainted(), kLamps + 8);
    EXPECT_EQ(pressedLamps(), (std::vector<int>{0, 7, 20}));
}

TEST_F(PollLoop, PaintingClearsText2AndAnEmptyQueueLeavesEverythingAlone) {
    text2()->setPlainText("kept");
    const int opens = sim.counters().opens;
    const HidHandle reader = window->link().readHandle;
    tick(); // nothing queued
    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(window->link().readHandle, reader);
    EXPECT_EQ(sim.counters().opens, opens);
    EXPECT_EQ(lamps().lampsPainted(), 0);
    EXPECT_EQ(text2()->toPlainText(), "kept");
    EXPECT_EQ(interval(), 50);

    queue(sim::buttonReport({0x00}));
    tick();
    EXPECT_EQ(text2()->toPlainText(), "");
    // A board streaming what it sent before leaves the box itself alone.
    const int revision = text2()->document()->revision();
    queue(sim::buttonReport({0x00}));
    tick();
    EXPECT_EQ(text2()->document()->revision(), revision);
}

TEST_F(PollLoop, UnplugClosesBothHandlesKeepsLampsAndSearchesEveryTick) {
    queue(sim::buttonReport({0x05}));
    tick();
    ASSERT_TRUE(window->session().settingsLoaded);
    const int painted = lamps().lampsPainted();

    loseBoard();
    EXPECT_EQ(sim.openHandles(), 0);
    EXPECT_EQ(window->link().featureHandle, kNoHandle);
    EXPECT_EQ(window->link().readHandle, kNoHandle);
    EXPECT_EQ(interval(), 250);
    EXPECT_FALSE(window->session().settingsLoaded);
    EXPECT_EQ(pressedLamps(), (std::vector<int>{0, 2}));
    EXPECT_EQ(lamps().lampsPainted(), painted);

    for (int i = 0; i < 3; ++i) {
        const int walks = sim.counters().setsCreated;
        tick();
        EXPECT_EQ(sim.counters().setsCreated, walks + 2) << "scan and search on every tick";
        EXPECT_FALSE(boardOpen());
    }
    EXPECT_EQ(interval(), 250);
}

TEST_F(PollLoop, ReturningBoardIsReopenedWithoutRepaintingUnchangedBytes) {
    queue(sim::buttonReport({0x05}));
    tick();
    const int painted = lamps().lampsPainted();
    loseBoard();

    const auto back = sim.plug(sim::saneBoard());
    tick();
    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(sim.openHandles(), 2);
    EXPECT_TRUE(window->session().settingsLoaded);
    // The interval waits for the first good read.
    EXPECT_EQ(interval(), 250);

    sim.queueInputReport(back, sim::buttonReport({0x05}));
    tick();
    EXPECT_EQ(lamps().lampsPainted(), painted);
    EXPECT_EQ(interval(), 50);
}

TEST_F(PollLoop, FailedReadTakesTheLossPathAndReopensInTheSameTick) {
    sim.board(id).fail.read = true;
    const int opens = sim.counters().opens;
    tick();
    // Closed, then found again at once: the board is still plugged.
    EXPECT_TRUE(boardOpen());
    EXPECT_GT(sim.counters().opens, opens);
    EXPECT_EQ(sim.openHandles(), 2);
    EXPECT_EQ(interval(), 250);
}

TEST_F(PollLoop, PendingReconnectClosesAnOpenBoardAndClearsOnReopening) {
    window->session().reconnectPending = true;
    queue(sim::buttonReport({0x01}));
    const int closes = sim.counters().closes;
    tick();
    EXPECT_GE(sim.counters().closes, closes + 2);
    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(sim.openHandles(), 2);
    EXPECT_FALSE(window->session().reconnectPending);
    EXPECT_EQ(interval(), 250);
    // What was read before the board was given up is still shown.
    EXPECT_EQ(pressedLamps(), (std::vector<int>{0}));
}

TEST_F(PollLoop, PendingReconnectStaysWhileNoBoardCanBeOpened) {
    window->session().reconnectPending = true;
    sim.unplug(id);
    tick();
    EXPECT_FALSE(boardOpen());
    EXPECT_TRUE(window->session().reconnectPending);
}

class ShortReports : public WindowTest {
protected:
    void SetUp() override {
        sim::Board board = sim::saneBoard();
        board.caps.InputReportByteLength = 9; // report ID and 8 button bytes
        id = sim.plug(board);
        load();
        ASSERT_TRUE(boardOpen());
    }
    sim::SimPlatform::DeviceId id = 0;
};

TEST_F(ShortReports, BytesTheReportDoesNotCarryReadReleased) {
    sim.queueInputReport(id, sim::buttonReport({0x01}, 9));
    sim.queueInputReport(id,
                         sim::buttonReport({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 9));
    window->PollDevice();
    for (int k = 0; k < kLamps; ++k)
        EXPECT_EQ(lamps().pressed(k), k < 64) << k;
    for (int i = 8; i < 16; ++i)
        EXPECT_EQ(window->lastButtonBytes()[static_cast<std::size_t>(i)], 0) << i;
    EXPECT_EQ(window->lastButtonBytes()[16], kNeverSeen);
    EXPECT_EQ(window->lastButtonBytes()[20], kNeverSeen);
}

// ---------------------------------------------------------------- other lengths

sim::Board boardWithLengths(std::u16string serial, std::uint16_t input, std::uint16_t feature) {
    sim::Board board = sim::saneBoard(std::move(serial));
    board.caps.InputReportByteLength = input;
    board.caps.FeatureReportByteLength = feature;
    board.firmware.settings[32] = 0x08; // Enc1 1:4, to see the readback arrive
    return board;
}

struct LengthCase {
    const char* name;
    bool bySwitching; // else by losing the first board and finding the next
};

class OtherLengths : public WindowTest, public ::testing::WithParamInterface<LengthCase> {};

// The first board's reports are 17 and 33 bytes long, the next one's 33 and
// 65: after the change nothing may still go by the first board's lengths.
TEST_P(OtherLengths, TheNextBoardsLengthsServeThePollAndEveryFrame) {
    DeviceId next = 0;
    if (GetParam().bySwitching) {
        next = sim.plug(boardWithLengths(u"K0001", 33, 65));
        sim.plug(boardWithLengths(u"K0002", 17, 33));
        load();
        ASSERT_EQ(window->link().deviceCapabilities.FeatureReportByteLength, 33);
        pick(combo("SerNo"), QStringLiteral("K0001"));
    } else {
        const DeviceId first = sim.plug(boardWithLengths(u"K0002", 17, 33));
        load();
        ASSERT_EQ(window->link().deviceCapabilities.FeatureReportByteLength, 33);
        sim.unplug(first);
        next = sim.plug(boardWithLengths(u"K0001", 33, 65));
        window->PollDevice();
    }
    ASSERT_TRUE(boardOpen());
    ASSERT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(next));
    EXPECT_EQ(shown("Enc1"), "1:4");

    // The newest report's unused tail is where a 17-byte reading of the
    // buffer would look for its button bytes.
    Report newest = sim::buttonReport({0x02}, 33);
    std::fill(newest.begin() + 17, newest.end(), 0xFF);
    sim.queueInputReport(next, sim::buttonReport({0x01}, 33));
    sim.queueInputReport(next, newest);
    window->PollDevice();
    EXPECT_EQ(redLamps(lamps()), std::vector<int>{1});
    EXPECT_EQ(interval(), 50);

    pick(combo("Enc5"), QStringLiteral("1:2"));
    QTest::mouseClick(control<QPushButton>("Selftest"), Qt::LeftButton);
    EXPECT_EQ(control<QLabel>("TestResult")->text(), "Passed");
    // The board takes only frames of its own length; every one it was sent
    // it took.
    const sim::Board& board = sim.board(next);
    EXPECT_EQ(board.featureSets, 3);
    EXPECT_EQ(received(next), (std::vector<Frame>{frame({0x00, 0xE0, 0x00, 0x05}, 65),
                                                  frame({0x00, 0xEE, 0x28, 0x04}, 65),
                                                  frame({0x00, 0xE1, 0x00, 0x00}, 65)}));
}

INSTANTIATE_TEST_SUITE_P(Changes, OtherLengths,
                         ::testing::Values(LengthCase{"switching", true},
                                           LengthCase{"losing_and_finding", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- half open

using HalfOpen = WindowTest;

// A board that opens for feature reports but not for reads counts as found;
// the first tick cannot read it and gives it up, then looks again at once.
TEST_F(HalfOpen, ABoardWhoseSecondOpenFailsIsClosedAndSearchedForOnTheNextTick) {
    sim::Board board = sim::saneBoard();
    board.fail.secondOpen = true;
    const DeviceId id = sim.plug(board);
    load();
    ASSERT_TRUE(boardOpen());
    ASSERT_EQ(window->link().readHandle, kNoHandle);
    ASSERT_EQ(sim.openHandles(), 1);
    const HidHandle halfOpen = window->link().featureHandle;
    sim.queueInputReport(id, sim::buttonReport({0x01}));
    const int opens = sim.board(id).opens;

    window->PollDevice();
    EXPECT_TRUE(boardOpen()) << "found again, half open again";
    EXPECT_NE(window->link().featureHandle, halfOpen);
    EXPECT_EQ(sim.openHandles(), 1) << "the half-open board was closed";
    EXPECT_EQ(sim.board(id).opens, opens + 2) << "by the scan, then the search";
    EXPECT_EQ(interval(), 250);
    EXPECT_TRUE(redLamps(lamps()).empty());

    // Once both opens succeed the board is read as any other.
    sim.board(id).fail.secondOpen = false;
    window->PollDevice();
    EXPECT_EQ(sim.openHandles(), 2);
    EXPECT_NE(window->link().readHandle, kNoHandle);
    window->PollDevice();
    EXPECT_EQ(redLamps(lamps()), std::vector<int>{0});
    EXPECT_EQ(interval(), 50);
}

} // namespace
} // namespace kestro::test
