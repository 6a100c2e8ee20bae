// The window on the real kernel HID stack: the system backend finds a uhid
// board, the poll loop shows its buttons and notices the unplug, and a user
// whom the board's hidraw or USB node refuses is told which node and which
// rule. Run inside hid-vm
// as root; anywhere else the tests skip.
#include "app/frm_main.h"
#include "app/lamp_grid.h"
#include "board_descriptors.h"
#include "config/permission_hint.h"
#include "kestro_ids.h"
#include "linux/udev_walk.h"
#include "system_platform.h"
#include "tests/app/pressed_lamps.h"
#include "tests/support/guest_guards.h"
#include "uhid_board.h"
#include "usb_gadget.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kestro {
namespace {

using test::Bytes;
using test::pressedLamps;
using test::UhidBoard;

constexpr uid_t kNobody = 65534;
// argv[1] that makes the binary the unprivileged window instead of the tests.
constexpr const char* kUnprivilegedWindow = "--unprivileged-window";

test::UhidBoardInfo kestroBoard(const std::string& name) {
    return {name, "KW-" + name, KESTRO_VENDOR_ID, 0x1142, 0x0110, test::kUnnumbered};
}

class WindowOnKernel : public testing::Test {
protected:
    void SetUp() override { KESTRO_SKIP_WITHOUT_UHID(); }
};

TEST_F(WindowOnKernel, FindsOpensListsShowsAndLosesABoard) {
    UhidBoard board(kestroBoard("window"));
    ASSERT_TRUE(board.created());
    const auto platform = makeSystemHidPlatform();
    frmMain window(*platform);
    window.Form_Load();
    ASSERT_TRUE(window.link().deviceDetected);
    EXPECT_EQ(window.link().devicePath, board.node());
    auto* serNo = window.findChild<QComboBox*>(QStringLiteral("SerNo"));
    ASSERT_NE(serNo, nullptr);
    EXPECT_EQ(serNo->count(), 1);
    EXPECT_EQ(serNo->currentText(), QStringLiteral("KW-window"));
    EXPECT_TRUE(window.permissionHint().isEmpty());

    // The kernel queues the report before the write returns, so the next
    // tick finds it without waiting.
    Bytes buttons(16, 0);
    buttons[0] = 0x81;
    ASSERT_TRUE(board.input(buttons));
    window.PollDevice();
    EXPECT_EQ(pressedLamps(window), (std::vector<int>{0, 7}));
    EXPECT_EQ(window.timer().interval(), kPollIntervalMs);

    board.destroy();
    window.PollDevice();
    EXPECT_FALSE(window.link().deviceDetected);
    EXPECT_EQ(window.timer().interval(), kLostIntervalMs);
    EXPECT_EQ(serNo->count(), 0);
    // A lost board leaves the lamps as they were last seen.
    EXPECT_EQ(pressedLamps(window), (std::vector<int>{0, 7}));
    window.close();
}

// Runs the window as a user the board's node refuses. A fresh process, so
// that Qt starts up under that user with none of the test runner's state.
int runUnprivilegedWindow(const std::string& node, const QString& png) {
    if (::geteuid() == 0) {
        std::fprintf(stderr, "the unprivileged window runs as root\n");
        return 10;
    }
    const auto platform = makeSystemHidPlatform();
    frmMain window(*platform);
    window.Form_Load();
    int verdict = 0;
    if (window.link().deviceDetected) {
        std::fprintf(stderr, "the refused board was opened\n");
        verdict = 11;
    }
    const std::string hint = window.permissionHint().toStdString();
    if (hint.find(node) == std::string::npos || hint.find(kUdevRuleName) == std::string::npos) {
        std::fprintf(stderr, "hint does not name %s and %s: \"%s\"\n", node.c_str(), kUdevRuleName,
                     hint.c_str());
        verdict = 12;
    }
    if (!window.grab().save(png)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(png));
        verdict = 13;
    }
    window.close();
    return verdict;
}

// Starts this binary as the unprivileged window, as nobody, and returns its
// exit status (0: the hint named node and the rule).
int windowAsNobody(const std::string& node, const std::string& pngName) {
    const std::string shots = KESTRO_SCREENSHOT_DIR;
    if (!QDir().mkpath(QString::fromStdString(shots)) || ::chmod(shots.c_str(), 0777) != 0)
        return 20;
    const std::string png = shots + "/" + pngName;
    std::filesystem::remove(png);

    // Offscreen Qt wants a home and a runtime directory it may write.
    char home[] = "/tmp/kestro-nobody-XXXXXX";
    if (::mkdtemp(home) == nullptr || ::chown(home, kNobody, kNobody) != 0 ||
        ::chmod(home, 0700) != 0)
        return 21;

    char exe[PATH_MAX] = {};
    if (::readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0)
        return 22;
    // Everything the child needs is built here: after fork in a threaded
    // process it only drops its ids and execs.
    std::vector<std::string> env = {std::string("HOME=") + home,
                                    std::string("XDG_RUNTIME_DIR=") + home,
                                    "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "HOME=", 5) != 0 && std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0 &&
            std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string flag = kUnprivilegedWindow;
    std::string nodeArg = node;
    std::string pngArg = png;
    char* argv[] = {exe, flag.data(), nodeArg.data(), pngArg.data(), nullptr};

    const pid_t child = ::fork();
    if (child < 0)
        return 23;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        ::execve(exe, argv, envp.data());
        ::_exit(3);
    }
    int status = 0;
    const bool waited = ::waitpid(child, &status, 0) == child;
    ::chmod(shots.c_str(), 0755);
    std::filesystem::remove_all(home);
    if (!waited || !WIFEXITED(status))
        return 24;
    if (!std::filesystem::is_regular_file(png))
        return 25;
    return WEXITSTATUS(status);
}

TEST_F(WindowOnKernel, UserWithoutAccessIsToldTheNodeAndTheRule) {
    UhidBoard board(kestroBoard("denied"));
    ASSERT_TRUE(board.created());
    ASSERT_EQ(::chown(board.node().c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(board.node().c_str(), 0600), 0);
    EXPECT_EQ(windowAsNobody(board.node(), "permission-hint-kernel.png"), 0)
        << "see the child's message above";
}

TEST_F(WindowOnKernel, UserWhomTheUsbNodeRefusesIsToldThatNode) {
    // Outside the product ranges only the name makes it a board, and the name
    // is read through the board's USB device node.
    test::UsbGadget gadget(test::UsbGadgetInfo{KESTRO_VENDOR_ID, 0x2001, 0x0110, "Test Maker",
                                               "Test Board", "KW-usb", 16, test::kUnnumbered});
    if (gadget.node().empty())
        GTEST_SKIP() << "no USB gadget: " << gadget.error();
    ASSERT_EQ(::chmod(gadget.node().c_str(), 0666), 0);
    const auto usbNode =
        linux_hid::HidrawDevice(linux_hid::hidrawNumber(gadget.node()).value_or(0)).usbfsNode();
    ASSERT_TRUE(usbNode);
    ASSERT_EQ(::chown(usbNode->c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(usbNode->c_str(), 0600), 0);
    EXPECT_EQ(windowAsNobody(*usbNode, "permission-hint-usb-kernel.png"), 0)
        << "see the child's message above";
}

} // namespace
} // namespace kestro

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], kestro::kUnprivilegedWindow) == 0)
        return kestro::runUnprivilegedWindow(argv[2], QString::fromLocal8Bit(argv[3]));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
