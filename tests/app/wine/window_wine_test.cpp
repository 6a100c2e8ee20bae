// The window under Wine in the guest, on Xvfb, with a board on a cable: a USB
// gadget on dummy_hcd that the board host makes. It starts, finds the board
// by its product ID, reads its settings back, lights the lamps of a pressed
// button and sends one frame for one setting change. Without the host the
// test skips.
#include "app/frm_main.h"
#include "app/lamp_grid.h"
#include "board_host_client.h"
#include "config/protocol.h"
#include "hid_log.h"
#include "kestro_ids.h"
#include "logging_platform.h"
#include "system_platform.h"
#include "tests/app/pressed_lamps.h"
#include "wine_facts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace kestro {
namespace {

using test::Bytes;
using test::pressedLamps;

constexpr std::uint16_t kProduct = 0x1142;
constexpr std::uint32_t kFeature = 65;

// Seconds since this process was created, Wine's start included.
double secondsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 1e7;
}

// Waits, handling the window's events (its poll timer among them), until
// done() holds or timeout passes.
template <class Done> bool waitFor(Done done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QTest::qWait(20);
    return done();
}

class WindowUnderWine : public testing::Test {
protected:
    void SetUp() override {
        if (!host.connected())
            GTEST_SKIP() << "no board host: run through kestro_board_host inside hid-vm";
    }
    void TearDown() override { setHidLogSink({}); }

    test::BoardHostClient host;
};

TEST_F(WindowUnderWine, FindsReadsShowsAndWritesABoardOnACable) {
    const test::HostBoard board = host.gadget(KESTRO_VENDOR_ID, kProduct, 0x0110, "KW-wine");
    ASSERT_NE(board.id, 0) << host.lastError();

    int fetches = 0;
    setHidLogSink([&](std::string_view line) {
        fetches += line.rfind("get feature ", 0) == 0 && line.find(" ok") != std::string::npos;
    });
    const auto system = makeSystemHidPlatform();
    LoggingHidPlatform platform(*system);
    frmMain window(platform);
    window.Form_Load();
    // Wine learns of the board through udev a moment after the kernel made
    // it; until then the poll timer keeps searching, as for a board plugged
    // in late.
    ASSERT_TRUE(waitFor([&] { return window.link().deviceDetected; }, 30000));
    std::printf("window: board open %.1f s after the process started under Wine\n",
                secondsSinceProcessStart());
    auto* serNo = window.findChild<QComboBox*>(QStringLiteral("SerNo"));
    ASSERT_NE(serNo, nullptr);
    EXPECT_EQ(serNo->currentText(), QStringLiteral("KW-wine"));
    // Found by its product ID alone: Wine never passes string 42 on.
    EXPECT_EQ(window.link().deviceAttributes.ProductID, kProduct);

    // The readback: one settings request, then eight fetches.
    Bytes request(kFeature, 0);
    request[1] = 0xE0;
    request[3] = 0x05;
    EXPECT_EQ(host.sets(board), std::vector<Bytes>{request});
    EXPECT_EQ(fetches, 8);

    Bytes buttons(16, 0);
    buttons[0] = 0x81;
    ASSERT_TRUE(host.input(board, buttons));
    EXPECT_TRUE(waitFor([&] { return pressedLamps(window) == std::vector<int>{0, 7}; }));

    // One setting change, by keyboard on the real list, sends one frame.
    auto* enc5 = window.findChild<QComboBox*>(QStringLiteral("Enc5"));
    ASSERT_NE(enc5, nullptr);
    const int before = enc5->currentIndex();
    enc5->setFocus();
    QTest::keyClick(enc5, Qt::Key_Down);
    ASSERT_EQ(enc5->currentIndex(), before + 1);
    std::vector<Bytes> sets;
    EXPECT_TRUE(waitFor([&] { return (sets = host.sets(board)).size() >= 2; }));
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1],
              writeSettingFrame(kFeature, encoderModeAddress(5), encodeEncoderMode(before + 1)));

    // What the screen shows of the window's client area, as Wine drew it.
    const QString shots = QStringLiteral(KESTRO_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(shots));
    QTest::qWait(200);
    const QRect area = window.geometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    EXPECT_TRUE(shot.save(shots + QStringLiteral("/window-under-wine.png")));
    window.close();
}

// Whether Wine sends WM_DEVICECHANGE for a HID interface: only then does a
// board plugged while one is open reach the list, as nothing else lists it.
TEST_F(WindowUnderWine, ABoardPluggedWhileOneIsOpenIsListedWhereWineTellsOfIt) {
    // uhid boards: the host makes one gadget at a time, and the test above
    // keeps its own.
    const test::HostBoard first =
        host.uhid(KESTRO_VENDOR_ID, kProduct, 0x0110, "Kestro 128", "KW-one");
    ASSERT_NE(first.id, 0) << host.lastError();
    const auto system = makeSystemHidPlatform();
    frmMain window(*system);
    window.watchSystemHotplug();
    window.Form_Load();
    if (!waitFor([&] { return window.link().deviceDetected; }, 30000))
        GTEST_SKIP() << "Wine shows no uhid board here";
    auto* serNo = window.findChild<QComboBox*>(QStringLiteral("SerNo"));
    ASSERT_NE(serNo, nullptr);
    // The board of the test above may still be there.
    const int before = serNo->count();
    const QString shownOpen = serNo->currentText();

    const test::HostBoard second =
        host.uhid(KESTRO_VENDOR_ID, kProduct + 1, 0x0110, "Kestro 128", "KW-two");
    ASSERT_NE(second.id, 0) << host.lastError();
    QElapsedTimer clock;
    clock.start();
    const bool listed = waitFor([&] { return serNo->count() == before + 1; }, 20000);
    std::printf("[ measured ] WM_DEVICECHANGE %s: second board %s after %lld ms\n",
                listed ? "arrived" : "did not arrive", listed ? "listed" : "not listed",
                static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(serNo->currentText(), shownOpen);
    window.close();
    host.destroy(second);
    host.destroy(first);
}

} // namespace
} // namespace kestro

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
