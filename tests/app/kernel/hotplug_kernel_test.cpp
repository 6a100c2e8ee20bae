// Boards plugged and unplugged while the window has one open, on the real
// kernel with udev's monitor: listed and gone within a second, and not one
// feature request to the open board. Starts udevd in the guest for its own
// run and stops it after; anywhere else the test skips.
#include "app/frm_main.h"
#include "board_descriptors.h"
#include "firmware_board.h"
#include "kestro_ids.h"
#include "system_platform.h"
#include "tests/support/guest_guards.h"
#include "uhid_board.h"
#include "usb_gadget.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestro {
namespace {

constexpr const char* kUdevControl = "/run/udev/control";

bool udevRuns() {
    struct stat status {};
    return ::stat(kUdevControl, &status) == 0;
}

// Milliseconds until done() holds, with the event loop running; -1 after 5 s.
qint64 msUntil(const QElapsedTimer& since, const std::function<bool()>& done) {
    while (!done()) {
        if (since.elapsed() > 5000)
            return -1;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(2000);
    }
    return since.elapsed();
}

class HotplugOnKernel : public testing::Test {
protected:
    void SetUp() override {
        KESTRO_SKIP_WITHOUT_UHID();
        if (!udevRuns()) {
            udevd_ = ::fork();
            if (udevd_ == 0) {
                ::execl("/lib/systemd/systemd-udevd", "systemd-udevd", nullptr);
                ::_exit(127);
            }
            for (int i = 0; i < 500 && udevd_ > 0 && !udevRuns(); ++i)
                ::usleep(10000);
        }
        if (!udevRuns())
            GTEST_SKIP() << "no udev daemon to start";
    }
    void TearDown() override {
        // Later tests of this binary chmod nodes that udev would set again.
        if (udevd_ > 0) {
            ::kill(udevd_, SIGTERM);
            ::waitpid(udevd_, nullptr, 0);
            ::unlink(kUdevControl);
        }
    }

    int listed() const { return serNo_ ? serNo_->count() : -1; }

    // Plug with make() (which returns once the node is there), see it
    // listed, unplug with drop(), see it gone; the larger of the two times
    // from the node's coming and going, which is what the window answers for.
    qint64 comesAndGoes(const char* what, const std::function<void()>& make,
                        const std::function<void()>& drop) {
        QElapsedTimer clock;
        clock.start();
        make();
        const qint64 made = clock.elapsed();
        const qint64 listedAt = msUntil(clock, [this] { return listed() == 2; });
        const qint64 in = listedAt < 0 ? -1 : listedAt - made;
        clock.restart();
        drop();
        const qint64 out = msUntil(clock, [this] { return listed() == 1; });
        std::printf("%s: plug -> node %lld ms -> listed %lld ms later (%lld ms in all); "
                    "unplug -> gone %lld ms\n",
                    what, static_cast<long long>(made), static_cast<long long>(in),
                    static_cast<long long>(listedAt), static_cast<long long>(out));
        EXPECT_GE(in, 0) << what << " never listed";
        EXPECT_GE(out, 0) << what << " never left the list";
        EXPECT_EQ(serNo_->currentText(), shownOpen_) << what;
        return in < 0 || out < 0 ? -1 : std::max(in, out);
    }

    pid_t udevd_ = -1;
    QComboBox* serNo_ = nullptr;
    QString shownOpen_;
};

TEST_F(HotplugOnKernel, SecondBoardIsListedAndGoneWithinASecondAndTheOpenOneIsNotAsked) {
    test::FirmwareBoard open("hotplug-open", sim::Firmware{});
    ASSERT_TRUE(open.created());
    const auto platform = makeSystemHidPlatform();
    frmMain window(*platform);
    window.watchSystemHotplug();
    window.Form_Load();
    ASSERT_TRUE(window.link().deviceDetected);
    serNo_ = window.findChild<QComboBox*>(QStringLiteral("SerNo"));
    ASSERT_EQ(listed(), 1);
    shownOpen_ = serNo_->currentText();
    open.forgetTraffic();

    std::unique_ptr<test::UhidBoard> second;
    const auto plugSecond = [&] {
        second = std::make_unique<test::UhidBoard>(test::UhidBoardInfo{
            "hotplug-second", "KH-2", KESTRO_VENDOR_ID, 0x1143, 0x0110, test::kUnnumbered});
    };
    // A udevd just started takes its first event slowly under the guest's
    // emulated CPU (its databases are cold): that one is measured, not held
    // to the window's second.
    comesAndGoes("uhid, udevd's first event", plugSecond, [&] { second.reset(); });
    const qint64 uhid = comesAndGoes("uhid", plugSecond, [&] { second.reset(); });
    EXPECT_GE(uhid, 0);
    EXPECT_LE(uhid, 1000);

    std::unique_ptr<test::UsbGadget> gadget;
    comesAndGoes(
        "usb gadget",
        [&] {
            gadget = std::make_unique<test::UsbGadget>(
                test::UsbGadgetInfo{KESTRO_VENDOR_ID, 0x1144, 0x0110, "Kestro", "Kestro 128",
                                    "KH-usb", 16, test::kUnnumbered});
        },
        [&] { gadget.reset(); });

    EXPECT_TRUE(window.link().deviceDetected);
    EXPECT_TRUE(open.reportNumbers().empty()) << "the open board was asked";
    window.close();
}

} // namespace
} // namespace kestro
