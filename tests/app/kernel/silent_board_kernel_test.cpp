// The window with a board whose firmware never answers feature requests: the
// kernel gives up on the first after its own timeout, and from then on the
// window must not be held again while that board stays plugged in, and its
// lamps must keep following the buttons. Plugged in again and answering, it
// is read back. Run inside hid-vm as root; anywhere else the test skips.
// KESTRO_SILENT_SECONDS sets how long the silent board is watched (10 s).
#include "app/frm_main.h"
#include "firmware_board.h"
#include "system_platform.h"
#include "tests/app/pressed_lamps.h"
#include "tests/support/guest_guards.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>

namespace kestro {
namespace {

// uhid waits this long for a board's answer before it fails the request.
constexpr qint64 kKernelTimeoutMs = 5000;
// What a search and a refresh may add to it under emulation.
constexpr qint64 kMarginMs = 2500;
// How long the lamps may take to follow a press under emulation.
constexpr qint64 kFollowMs = 3000;

qint64 watchMs() {
    const char* seconds = std::getenv("KESTRO_SILENT_SECONDS");
    const long value = seconds != nullptr ? std::atol(seconds) : 0;
    return 1000 * (value > 0 ? value : 10);
}

bool runEventsUntil(const std::function<bool()>& done, qint64 ms) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

TEST(SilentBoardWindow, IsHeldOncePerPlugInKeepsItsLampsAndIsReadBackWhenItAnswers) {
    KESTRO_SKIP_WITHOUT_UHID();
    sim::Firmware firmware;
    firmware.settings[64] = 15; // "120 ms", not the list's default
    auto board = std::make_unique<test::FirmwareBoard>("silent-window", firmware);
    ASSERT_TRUE(board->created());
    board->uhid().ignoreRequests(1'000'000);

    const auto platform = makeSystemHidPlatform();
    frmMain window(*platform);
    QElapsedTimer startUp;
    startUp.start();
    window.Form_Load();
    const qint64 startUpMs = startUp.elapsed();
    ASSERT_TRUE(window.link().deviceDetected);
    const HidHandle readHandle = window.link().readHandle;

    // A beat on the window's own thread: the longest gap between two beats
    // is the longest time anything held the window.
    QElapsedTimer sinceBeat;
    qint64 longestHoldMs = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout,
                     [&] { longestHoldMs = std::max(longestHoldMs, sinceBeat.restart()); });
    sinceBeat.start();
    heartbeat.start();

    int presses = 0;
    int lampsFollowed = 0;
    QElapsedTimer watched;
    watched.start();
    while (watched.elapsed() < watchMs()) {
        test::Bytes buttons(16, 0);
        buttons[presses % 16] = 0x01;
        ASSERT_TRUE(board->input(buttons));
        const std::vector<int> lit{8 * (presses++ % 16)};
        if (runEventsUntil([&] { return test::pressedLamps(window) == lit; }, kFollowMs))
            ++lampsFollowed;
    }
    heartbeat.stop();
    std::printf("[ measured ] silent board, %lld s: start-up held the window %lld ms, then the "
                "longest hold %lld ms; lamps followed %d of %d presses; %d request(s) sent\n",
                static_cast<long long>(watched.elapsed() / 1000), static_cast<long long>(startUpMs),
                static_cast<long long>(longestHoldMs), lampsFollowed, presses,
                board->uhid().ignoredRequests());
    EXPECT_LT(startUpMs, kKernelTimeoutMs + kMarginMs);
    // Never again as long as the kernel's timeout: the board is not asked.
    EXPECT_LT(longestHoldMs, kKernelTimeoutMs);
    EXPECT_EQ(board->uhid().ignoredRequests(), 1);
    EXPECT_EQ(lampsFollowed, presses);
    EXPECT_EQ(window.link().readHandle, readHandle) << "the board was closed and opened again";

    // Unplugged and plugged in again, now answering.
    board.reset();
    board = std::make_unique<test::FirmwareBoard>("silent-window", firmware);
    ASSERT_TRUE(board->created());
    auto* delay = window.findChild<QComboBox*>(QStringLiteral("Delay"));
    ASSERT_NE(delay, nullptr);
    runEventsUntil([&] { return delay->currentText() == QStringLiteral("120 ms"); },
                   kKernelTimeoutMs);
    EXPECT_TRUE(window.session().settingsLoaded);
    EXPECT_EQ(delay->currentText().toStdString(), "120 ms");
    window.close();
}

} // namespace
} // namespace kestro
