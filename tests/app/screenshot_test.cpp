// Pictures of the window for a human eye: a board with buttons held, each
// thing the status line can say, and the settings file's confirmation. They
// assert only that the pictures were written.
#include "app/settings_file_actions.h"
#include "sim/sim_hotplug_monitor.h"
#include "window_fixture.h"

#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>

namespace kestro::test {
namespace {

bool saveShot(QWidget& widget, const char* file) {
    QDir().mkpath(QStringLiteral(KESTRO_SCREENSHOT_DIR));
    return widget.grab().save(QStringLiteral(KESTRO_SCREENSHOT_DIR "/") + file);
}

using Screenshot = WindowTest;

TEST_F(Screenshot, BoardWithButtonsHeld) {
    sim.plug(sim::saneBoard(u"K0001"));
    // Start-up opens the last board listed.
    const auto shown = sim.plug(sim::saneBoard(u"K0002"));
    load();
    sim.queueInputReport(shown,
                         sim::buttonReport({0x81, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}));
    window->PollDevice();
    ASSERT_TRUE(lamps().pressed(0));
    EXPECT_TRUE(saveShot(*window, "board-buttons.png"));
}

// Lamps 1, 8 and 17 lit and the keyboard on lamp 10, in the desktop's
// palette and in a dark one.
TEST_F(Screenshot, LampsInALightAndADarkPalette) {
    const auto id = sim.plug(sim::saneBoard());
    load();
    sim.queueInputReport(id, sim::buttonReport({0x81, 0x00, 0x01}));
    window->PollDevice();
    lamps().setFocus(Qt::TabFocusReason);
    lamps().setCurrentLamp(9);
    EXPECT_TRUE(saveShot(*window, "palette-light.png"));
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    window->setPalette(dark);
    EXPECT_TRUE(saveShot(*window, "palette-dark.png"));
}

// Run with a screen smaller than the window (the ctest "small_screen" case:
// 1366 x 768 at 200 %): the window fits the screen, and every control Tab
// reaches scrolls into sight.
TEST_F(Screenshot, SmallScreenScrollsToEveryControl) {
    sim.plug(sim::saneBoard());
    load();
    const QSize room = window->screen()->availableGeometry().size();
    const int clientHeight = window->twips().toPx(kClientHeightTwips);
    if (room.height() >= clientHeight)
        GTEST_SKIP() << "the screen holds the whole window";
    EXPECT_LE(window->height(), room.height());
    EXPECT_LE(window->width(), room.width());
    activate();
    auto* area = control<QScrollArea>("ScrollArea");
    QWidget* first = QApplication::focusWidget();
    ASSERT_NE(first, nullptr);
    for (QWidget* w = first;;) {
        // The lamp grid is taller than the screen: its current lamp shows.
        const QRect part = w == &lamps() ? lamps().lampRect(lamps().currentLamp()) : w->rect();
        const QRect shown(w->mapTo(area->viewport(), part.topLeft()), part.size());
        // The rows the layout keeps below its client area stay out of sight.
        if (w->mapTo(area->widget(), QPoint(0, 0)).y() < clientHeight) {
            EXPECT_TRUE(area->viewport()->rect().contains(shown)) << w->objectName().toStdString();
        }
        QTest::keyClick(w, Qt::Key_Tab);
        QCoreApplication::processEvents();
        w = QApplication::focusWidget();
        if (w == first)
            break;
    }
    lamps().setFocus(Qt::TabFocusReason);
    lamps().setCurrentLamp(kLamps - 1);
    EXPECT_GT(area->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(saveShot(*window, "small-screen-200.png"));
}

TEST_F(Screenshot, PermissionHint) {
    sim::Board board = sim::saneBoard();
    board.fail.accessDenied = true;
    board.node = "/dev/hidraw3";
    sim.plug(board);
    load();
    ASSERT_FALSE(window->permissionHint().isEmpty());
    EXPECT_TRUE(saveShot(*window, "permission-hint.png"));
}

TEST_F(Screenshot, LoadConfirmation) {
    sim.plug(sim::saneBoard());
    load();
    std::unique_ptr<QMessageBox> box(SettingsFileActions::confirmation(
        window.get(), QStringLiteral("k1.json"),
        {QString::fromUtf8("Encoder 2: 1:1 \u2192 1:4"),
         QString::fromUtf8("Pulse width: 48 ms \u2192 200 ms"),
         QString::fromUtf8("Rotary switches starting position: 8 \u2192 Auto")}));
    box->show();
    EXPECT_TRUE(saveShot(*box, "load-confirmation.png"));
    EXPECT_TRUE(saveShot(*window, "settings-file-buttons.png"));
}

TEST_F(Screenshot, StatusLineStates) {
    window = std::make_unique<frmMain>(sim);
    window->watchHotplug(std::make_unique<sim::SimHotplugMonitor>(sim));
    EXPECT_TRUE(saveShot(*window, "status-looking.png"));
    window->Form_Load();
    EXPECT_TRUE(saveShot(*window, "status-no-board.png"));

    const DeviceId first = sim.plug(sim::saneBoard(u"K0001"));
    window->Timer_Timer();
    const DeviceId second = sim.plug(sim::saneBoard(u"K0002"));
    window->Timer_Timer();
    EXPECT_TRUE(saveShot(*window, "status-open.png"));

    combo("Enc5")->setCurrentIndex(2);
    emit combo("Enc5")->activated(2);
    EXPECT_TRUE(saveShot(*window, "status-written.png"));
    sim.board(first).fail.setFeature = true;
    emit combo("Enc5")->activated(2);
    EXPECT_TRUE(saveShot(*window, "status-refused.png"));

    sim.unplug(first);
    sim.unplug(second);
    window->Timer_Timer();
    EXPECT_TRUE(saveShot(*window, "status-lost.png"));

    sim::Board silent = sim::saneBoard(u"K0003");
    silent.fail.getFeature = true;
    sim.plug(silent);
    window->Timer_Timer();
    EXPECT_TRUE(saveShot(*window, "status-unanswered.png"));
}

} // namespace
} // namespace kestro::test
