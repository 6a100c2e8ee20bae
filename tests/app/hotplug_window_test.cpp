// Boards that come and go while the window runs, as the simulator's monitor
// tells of them; and what of the window a user can reach at its opening size.
#include "sim/sim_hotplug_monitor.h"
#include "window_fixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <set>

namespace kestro::test {
namespace {

// Everything a board could be asked, apart from its input reports.
struct Asked {
    int opens, string42, serials, sets, gets;
    bool operator==(const Asked&) const = default;
};

class Hotplug : public WindowTest {
protected:
    void loadWatching() {
        window = std::make_unique<frmMain>(sim);
        window->watchHotplug(std::make_unique<sim::SimHotplugMonitor>(sim));
        window->Form_Load();
    }
    Asked asked(DeviceId id) {
        const sim::Board& b = sim.board(id);
        return {b.opens, b.string42Requests, b.serialRequests, b.featureSets, b.featureGets};
    }
    QStringList listed() {
        QStringList items;
        for (int i = 0; i < combo("SerNo")->count(); ++i)
            items << combo("SerNo")->itemText(i);
        return items;
    }
};

TEST_F(Hotplug, BoardsComeAndGoInTheListWithinOneTickWhileTheOpenOneIsLeftAlone) {
    const DeviceId open = sim.plug(sim::saneBoard(u"K0001"));
    loadWatching();
    ASSERT_TRUE(boardOpen());
    const Asked before = asked(open);
    const QString status = window->statusText();

    const DeviceId second = sim.plug(sim::saneBoard(u"K0002"));
    window->Timer_Timer();
    EXPECT_EQ(listed(), (QStringList{"K0001", "K0002"}));
    EXPECT_TRUE(combo("SerNo")->isEnabled());
    EXPECT_EQ(shown("SerNo"), "K0001");
    EXPECT_EQ(window->status().attached(), 2);

    sim.unplug(second);
    window->Timer_Timer();
    EXPECT_EQ(listed(), QStringList{"K0001"});
    EXPECT_FALSE(combo("SerNo")->isEnabled());
    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(asked(open), before);
    EXPECT_EQ(window->statusText(), status);
    EXPECT_EQ(sim.board(open).fail.read, false);
}

TEST_F(Hotplug, WithNoBoardNothingIsWalkedUntilOneArrivesAndThenAtOnce) {
    loadWatching();
    const int walks = sim.counters().setsCreated;
    for (int t = 0; t < 10; ++t)
        window->Timer_Timer();
    EXPECT_EQ(sim.counters().setsCreated, walks);
    EXPECT_EQ(window->status().state(), StatusState::NoBoard);

    sim.plug(sim::saneBoard());
    window->Timer_Timer();
    EXPECT_TRUE(boardOpen());
}

TEST_F(Hotplug, WithoutAMonitorTheWindowWalksEveryTickAsBefore) {
    load();
    const int walks = sim.counters().setsCreated;
    window->Timer_Timer();
    EXPECT_GT(sim.counters().setsCreated, walks);
}

// Every control Tab reaches lies inside the window as it opens, the self
// diagnostic among them, and the hidden text boxes are never reached.
TEST_F(Hotplug, TabReachesOnlyControlsInsideTheOpeningWindow) {
    sim::Board board = sim::saneBoard();
    board.versionNumber = 0x0103; // admits the self diagnostic
    sim.plug(board);
    sim.plug(sim::saneBoard(u"K0002"));
    load();
    activate();
    const QRect inside = window->rect();
    std::set<QWidget*> reached;
    for (int press = 0; press < 80; ++press) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(),
                        Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (!reached.insert(focus).second)
            continue;
        const QRect at(focus->mapTo(window.get(), QPoint(0, 0)), focus->size());
        EXPECT_TRUE(inside.contains(at)) << focus->objectName().toStdString();
        EXPECT_EQ(qobject_cast<QPlainTextEdit*>(focus), nullptr)
            << focus->objectName().toStdString();
    }
    EXPECT_TRUE(reached.count(control<QWidget>("Selftest")));
    for (const char* name : {"TestResult", "StatusLine"}) {
        const QWidget* w = control<QWidget>(name);
        EXPECT_TRUE(inside.contains(QRect(w->mapTo(window.get(), QPoint(0, 0)), w->size())))
            << name;
    }
}

} // namespace
} // namespace kestro::test
