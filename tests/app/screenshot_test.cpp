// Pictures of the window for a human eye: a board with buttons held, and the
// permission hint. They assert only that the pictures were written.
#include "app/settings_file_actions.h"
#include "window_fixture.h"

#include <QDir>
#include <QMessageBox>
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
    // Tall enough for the self diagnostic's row, where Save… and Load… are.
    window->resize(window->width(), window->height() + 50);
    EXPECT_TRUE(saveShot(*window, "settings-file-buttons.png"));
}

} // namespace
} // namespace kestro::test
