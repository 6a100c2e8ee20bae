// Pictures of the window for a human eye: a board with buttons held, and the
// permission hint. They assert only that the pictures were written.
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

} // namespace
} // namespace kestro::test
