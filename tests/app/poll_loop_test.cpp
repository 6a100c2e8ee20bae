// The poll loop, tick by tick, against simulated boards: what it paints,
// when it gives a board up, how it finds it again, and at what interval.
#include "window_fixture.h"

#include <QPlainTextEdit>
#include <vector>

namespace kestro::test {
namespace {

using Report = std::vector<std::uint8_t>;

class PollLoop : public WindowTest {
protected:
    void SetUp() override {
        id = sim.plug(sim::saneBoard());
        load();
        ASSERT_TRUE(boardOpen());
    }
    void queue(const Report& report) { sim.queueInputReport(id, report); }
    void tick() { window->PollDevice(); }
    // Lamps 0 … 127 that are red, in order.
    std::vector<int> pressedLamps() {
        std::vector<int> pressed;
        for (int k = 0; k < kLamps; ++k)
            if (lamps().pressed(k))
                pressed.push_back(k);
        return pressed;
    }
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

} // namespace
} // namespace kestro::test
