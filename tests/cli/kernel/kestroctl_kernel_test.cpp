// The installed program's path through the real kernel: the kestroctl binary,
// run as a child process, against uhid boards whose feature requests the
// simulated firmware answers, and a USB gadget board with a real identity.
// Run inside hid-vm as root; anywhere else the tests skip.
#include "board_descriptors.h"
#include "firmware_board.h"
#include "kestro_ids.h"
#include "tests/support/guest_guards.h"
#include "usb_gadget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <regex>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestro {
namespace {

using test::Bytes;
using test::FirmwareBoard;
using test::frame;

constexpr uid_t kNobody = 65534;

sim::Firmware storing(std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> settings) {
    sim::Firmware firmware;
    for (const auto& [address, value] : settings)
        firmware.settings[address] = value;
    return firmware;
}

// kestroctl as a child with its own stdout and stderr pipes.
class Child {
public:
    explicit Child(const std::vector<std::string>& args, uid_t uid = 0) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        // Built before fork: the child of a threaded process only execs.
        std::vector<std::string> argv = {KESTROCTL};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            if (uid != 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0))
                ::_exit(120);
            ::execv(pointers[0], pointers.data());
            ::_exit(121);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Child() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            wait();
        }
        for (int fd : {out_, err_})
            if (fd >= 0)
                ::close(fd);
    }

    // Reads what the child writes until text holds a match of pattern, or
    // until the child closes its output; false after timeout.
    bool await(const std::string& pattern,
               std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const std::regex wanted(pattern);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!std::regex_search(out + err, wanted)) {
            if (std::chrono::steady_clock::now() > deadline || !pump(100))
                return std::regex_search(out + err, wanted);
        }
        return true;
    }

    int wait() {
        while (pump(100)) {
        }
        int raw = 0;
        if (pid_ > 0 && ::waitpid(pid_, &raw, 0) == pid_)
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return status_;
    }
    void interrupt() { ::kill(pid_, SIGINT); }

    std::string out;
    std::string err;

private:
    // False once both pipes are closed.
    bool pump(int ms) {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (out_ < 0 && err_ < 0)
            return false;
        if (::poll(fds, 2, ms) <= 0)
            return true;
        std::string* texts[2] = {&out, &err};
        int* ends[2] = {&out_, &err_};
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char chunk[4096];
            const ssize_t n = ::read(*ends[i], chunk, sizeof chunk);
            if (n > 0) {
                texts[i]->append(chunk, static_cast<std::size_t>(n));
            } else {
                ::close(*ends[i]);
                *ends[i] = -1;
            }
        }
        return out_ >= 0 || err_ >= 0;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int status_ = -1;
};

struct Ran {
    int status;
    std::string out;
    std::string err;
};

Ran kestroctl(const std::vector<std::string>& args, uid_t uid = 0) {
    Child child(args, uid);
    const int status = child.wait();
    return {status, child.out, child.err};
}

class KestroctlOnKernel : public testing::Test {
protected:
    void SetUp() override { KESTRO_SKIP_WITHOUT_UHID(); }
};

TEST_F(KestroctlOnKernel, ListShowSetBackupRestore) {
    FirmwareBoard board("ctl", storing({{0x28, 0x04}, {64, 15}}));
    ASSERT_TRUE(board.created());

    const Ran listed = kestroctl({"list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "SERIAL  PRODUCT  VERSION  NODE" +
                              std::string(board.node().size() - 2, ' ') +
                              "ACCESS\nKP-ctl  0x1143   unknown  " + board.node() + "  ok\n");
    EXPECT_TRUE(board.firmware().received.empty());

    // uhid gives no manufacturer string, so the version stays unknown.
    const Ran shown = kestroctl({"show"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    for (const char* line : {"version       unknown\n", "encoder5       1:2     B9 B10\n",
                             "pulse-width    120 ms\n", "rotary-start   Auto    (not admitted"})
        EXPECT_NE(shown.out.find(line), std::string::npos) << line << "\n" << shown.out;
    EXPECT_EQ(board.firmware().received, std::vector<Bytes>{frame({0x00, 0xE0, 0x00, 0x05})});

    board.forgetTraffic();
    const Ran set = kestroctl({"set", "encoder5=1:4", "pulse-width=200ms", "rotary-pulses=on"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(
        board.firmware().received,
        (std::vector<Bytes>{frame({0x00, 0xEE, 0x28, 0x08}), frame({0x00, 0xEE, 0x40, 0x19}),
                            frame({0x00, 0xEE, 0x4D, 0x01}), frame({0x00, 0xE0, 0x00, 0x05})}));
    const Ran after = kestroctl({"show", "--json"});
    EXPECT_NE(after.out.find("\"encoder5\":\"1:4\""), std::string::npos) << after.out;
    EXPECT_NE(after.out.find("\"pulse-width\":\"200ms\",\"rotary-pulses\":\"on\""),
              std::string::npos)
        << after.out;

    const std::string file = "/tmp/kestroctl-kernel-backup.json";
    const Ran saved = kestroctl({"backup", "--serial", "KP-ctl", "--output", file});
    EXPECT_EQ(saved.status, 0) << saved.err;
    ASSERT_EQ(kestroctl({"set", "encoder5=off"}).status, 0);

    board.forgetTraffic();
    const Ran restored = kestroctl({"restore", file});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(restored.out, "write encoder5=1:4 (the board holds off)\n");
    EXPECT_EQ(board.firmware().received,
              (std::vector<Bytes>{frame({0x00, 0xE0, 0x00, 0x05}), frame({0x00, 0xEE, 0x28, 0x08}),
                                  frame({0x00, 0xE0, 0x00, 0x05})}));
    EXPECT_EQ(board.firmware().settings[0x28], 0x08);
    ::unlink(file.c_str());
}

TEST_F(KestroctlOnKernel, SelftestIsGatedByTheVersionTheKernelReports) {
    FirmwareBoard board("gate", sim::Firmware{});
    ASSERT_TRUE(board.created());
    const Ran refused = kestroctl({"selftest"});
    EXPECT_EQ(refused.status, 6);
    EXPECT_EQ(refused.err, "kestroctl: selftest: not admitted by this board: its version is "
                           "unknown and the self test needs 1.3 or later\n");
    EXPECT_TRUE(board.firmware().received.empty());
}

TEST_F(KestroctlOnKernel, SelftestOnABoardWithAUsbIdentity) {
    test::UsbGadget gadget(test::UsbGadgetInfo{KESTRO_VENDOR_ID, 0x1141, 0x0110, "Test Maker",
                                               "Test Board", "KG-0001", 16, test::kUnnumbered});
    if (gadget.node().empty())
        GTEST_SKIP() << "no USB gadget: " << gadget.error();
    const Ran shown = kestroctl({"show"});
    for (const char* line : {"manufacturer  Test Maker\n", "product       Test Board\n",
                             "version       1.10\n", "selftest      admitted\n"})
        EXPECT_NE(shown.out.find(line), std::string::npos) << line << "\n" << shown.out;

    // The gadget function answers no feature report of this length, so the
    // request goes through the kernel and the board does not reply.
    const Ran tested = kestroctl({"selftest", "--json"});
    EXPECT_EQ(tested.status, 9) << tested.err;
    EXPECT_EQ(tested.out, "{\"result\":\"no reply\",\"text\":\"No reply\",\"input\":null}\n");
}

TEST_F(KestroctlOnKernel, MonitorSeesAPressAndARelease) {
    FirmwareBoard board("monitor", sim::Firmware{});
    ASSERT_TRUE(board.created());
    Child monitor({"monitor"});
    ASSERT_TRUE(monitor.await("Watching KP-monitor")) << monitor.err;

    Bytes buttons(16, 0);
    buttons[0] = 0x04; // B3 held from the start
    ASSERT_TRUE(board.input(buttons));
    ASSERT_TRUE(monitor.await(R"(held: B3\n)")) << monitor.out;
    buttons[2] = 0x01; // B17
    ASSERT_TRUE(board.input(buttons));
    ASSERT_TRUE(monitor.await(R"(B17 pressed\n)")) << monitor.out;
    buttons[2] = 0x00;
    ASSERT_TRUE(board.input(buttons));
    ASSERT_TRUE(monitor.await(R"(B17 released\n)")) << monitor.out;

    monitor.interrupt();
    EXPECT_EQ(monitor.wait(), 0) << monitor.err;
    EXPECT_TRUE(std::regex_match(monitor.out, std::regex(R"( +\d+\.\d{3} held: B3\n)"
                                                         R"( +\d+\.\d{3} B17 pressed\n)"
                                                         R"( +\d+\.\d{3} B17 released\n)")))
        << monitor.out;
    EXPECT_TRUE(board.firmware().received.empty());
}

TEST_F(KestroctlOnKernel, AUserWithoutAccessIsToldTheNodeAndTheRule) {
    FirmwareBoard board("denied", sim::Firmware{});
    ASSERT_TRUE(board.created());
    ASSERT_EQ(::chown(board.node().c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(board.node().c_str(), 0600), 0);
    const Ran listed = kestroctl({"list"}, kNobody);
    EXPECT_EQ(listed.status, 5) << listed.err;
    EXPECT_NE(listed.out.find(board.node() + "  denied"), std::string::npos) << listed.out;
    EXPECT_NE(listed.err.find("kestroctl: open " + board.node() + ": access was refused: "),
              std::string::npos)
        << listed.err;
    EXPECT_EQ(kestroctl({"show"}, kNobody).status, 5);
}

} // namespace
} // namespace kestro
