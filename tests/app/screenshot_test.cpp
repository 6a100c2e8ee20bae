// Pictures of the window for a human eye: a board with buttons held, and
// each thing the status line can say. They assert only that the pictures
// were written.
#include "sim/sim_hotplug_monitor.h"
#include "window_fixture.h"

#include <QDir>
#include <QPixmap>

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

TEST_F(Screenshot, PermissionHint) {
    sim::Board board = sim::saneBoard();
    board.fail.accessDenied = true;
    board.node = "/dev/hidraw3";
    sim.plug(board);
    load();
    ASSERT_FALSE(window->permissionHint().isEmpty());
    EXPECT_TRUE(saveShot(*window, "permission-hint.png"));
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
