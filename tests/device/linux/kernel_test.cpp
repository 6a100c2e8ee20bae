// The Linux backend against the real kernel: uhid boards for hidraw itself,
// a configfs gadget on dummy_hcd for a board with a USB parent. Run inside
// hid-vm as root; anywhere else the tests skip.
#include "../fake_serial_list.h"
#include "board_descriptors.h"
#include "device_link.h"
#include "device_string.h"
#include "kestro_ids.h"
#include "linux/linux_hid_platform.h"
#include "linux/sysfs.h"
#include "uhid_board.h"
#include "usb_gadget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/hidraw.h>
#include <linux/seccomp.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestro {
namespace {

using test::Bytes;
using test::kCollection;
using test::kEnd;
using test::kUnnumbered;
using test::operator+;
using test::UhidBoard;
using test::UhidBoardInfo;

constexpr std::uint16_t kForeignVendor = 0x1209;
constexpr std::uint16_t kProduct = 0x1140;

// Inputs 1 (8 bytes) and 2 (4 bytes), feature 3 (32 bytes), output 4 (8 bytes).
const Bytes kNumbered = kCollection + Bytes{0x75, 0x08} +
                        Bytes{0x85, 0x01, 0x09, 0x01, 0x95, 0x08, 0x81, 0x02} +
                        Bytes{0x85, 0x02, 0x09, 0x02, 0x95, 0x04, 0x81, 0x02} +
                        Bytes{0x85, 0x03, 0x09, 0x03, 0x95, 0x20, 0xB1, 0x02} +
                        Bytes{0x85, 0x04, 0x09, 0x04, 0x95, 0x08, 0x91, 0x02} + kEnd;

UhidBoardInfo board(const std::string& name, const Bytes& descriptor,
                    std::uint16_t vendor = KESTRO_VENDOR_ID) {
    return UhidBoardInfo{name, "KU-" + name, vendor, kProduct, 0x0110, descriptor};
}

std::size_t entriesIn(const char* path) {
    std::size_t count = 0;
    if (DIR* dir = ::opendir(path)) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count;
}

std::size_t openFdCount() {
    return entriesIn("/proc/self/fd");
}

std::size_t threadCount() {
    return entriesIn("/proc/self/task");
}

// A joined thread lingers in /proc for a moment after it has run its last.
bool threadCountComesBackTo(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (threadCount() != count && std::chrono::steady_clock::now() < deadline)
        ::usleep(1000);
    return threadCount() == count;
}

std::string stringOf(const DeviceStringBuffer& buffer) {
    return decodeDeviceString(buffer);
}

class KernelTest : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || ::access("/dev/uhid", W_OK) != 0)
            GTEST_SKIP() << "needs root and /dev/uhid: run inside hid-vm";
    }

    // Opens a board's node, failing the test when that is impossible.
    HidHandle openBoard(const UhidBoard& b) {
        EXPECT_TRUE(b.created());
        return platform.open(b.node(), OpenMode::Overlapped, security);
    }

    HidCaps capsOf(HidHandle handle) {
        PreparsedData data = 0;
        HidCaps caps;
        EXPECT_TRUE(platform.getPreparsedData(handle, data));
        EXPECT_TRUE(platform.getCaps(data, caps));
        EXPECT_TRUE(platform.freePreparsedData(data));
        EXPECT_FALSE(platform.freePreparsedData(data));
        return caps;
    }

    ReadResult read(HidHandle handle, std::vector<std::uint8_t>& buffer) {
        return platform.readInputReports(handle, buffer.data(),
                                         static_cast<std::uint32_t>(buffer.size()), overlapped);
    }

    LinuxHidPlatform platform;
    SecurityAttributes security;
    Overlapped overlapped;
};

TEST_F(KernelTest, ListsBoardNodeInNumberOrder) {
    UhidBoard b(board("list", kUnnumbered));
    ASSERT_TRUE(b.created());
    const auto set = platform.presentInterfaces();
    ASSERT_TRUE(set);
    std::vector<std::string> paths;
    std::string path;
    for (std::uint32_t i = 0; set->interfaceAt(i, path); ++i)
        paths.push_back(path);
    EXPECT_NE(std::find(paths.begin(), paths.end(), b.node()), paths.end());
    std::vector<unsigned> numbers;
    for (const auto& p : paths)
        numbers.push_back(linux_hid::hidrawNumber(p).value_or(0));
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
}

TEST_F(KernelTest, IdentityOfBoardWithoutUsbParent) {
    UhidBoard b(board("ident", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);

    HidAttributes attributes;
    ASSERT_TRUE(platform.getAttributes(handle, attributes));
    EXPECT_EQ(attributes.VendorID, KESTRO_VENDOR_ID);
    EXPECT_EQ(attributes.ProductID, kProduct);
    // uhid's version is no bcdDevice: without a USB parent there is none.
    EXPECT_EQ(attributes.VersionNumber, 0);

    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    ASSERT_TRUE(platform.peekIds(b.node(), vendor, product));
    EXPECT_EQ(vendor, KESTRO_VENDOR_ID);
    EXPECT_EQ(product, kProduct);

    DeviceStringBuffer serial;
    ASSERT_TRUE(
        platform.getSerialNumberString(handle, serial.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(serial), "KU-ident");
    // A short buffer gets what fits, unterminated, and nothing past it.
    std::array<std::uint8_t, 6> shortBuffer{};
    shortBuffer.fill(0xEE);
    ASSERT_TRUE(platform.getSerialNumberString(handle, shortBuffer.data(), 4));
    EXPECT_EQ(shortBuffer, (std::array<std::uint8_t, 6>{'K', 0, 'U', 0, 0xEE, 0xEE}));

    DeviceStringBuffer text;
    EXPECT_FALSE(platform.getManufacturerString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_FALSE(platform.getProductString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_FALSE(platform.getIndexedString(handle, 42, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_TRUE(platform.close(handle));
}

TEST_F(KernelTest, BoardWithoutUniqHasNoSerial) {
    UhidBoardInfo info = board("nouniq", kUnnumbered);
    info.uniq.clear();
    UhidBoard b(info);
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    DeviceStringBuffer serial;
    EXPECT_FALSE(
        platform.getSerialNumberString(handle, serial.data(), DeviceStringBuffer::kOffered));
}

TEST_F(KernelTest, ReportLengthsWithAndWithoutReportIds) {
    struct Row {
        const char* name;
        Bytes descriptor;
        HidCaps expected;
    };
    const Row rows[] = {
        {"unnumbered", kUnnumbered, {17, 0, 65}},
        {"numbered", kNumbered, {9, 9, 33}},
    };
    for (const Row& row : rows) {
        UhidBoard b(board(std::string("len-") + row.name, row.descriptor));
        const HidHandle handle = openBoard(b);
        ASSERT_NE(handle, kNoHandle) << row.name;
        const HidCaps caps = capsOf(handle);
        EXPECT_EQ(caps.InputReportByteLength, row.expected.InputReportByteLength) << row.name;
        EXPECT_EQ(caps.OutputReportByteLength, row.expected.OutputReportByteLength) << row.name;
        EXPECT_EQ(caps.FeatureReportByteLength, row.expected.FeatureReportByteLength) << row.name;
        platform.close(handle);
    }
}

TEST_F(KernelTest, FeatureRoundTripKeepsReportIdInByteZero) {
    struct Row {
        const char* name;
        Bytes descriptor;
        std::uint8_t reportId;
        std::size_t length;
    };
    const Row rows[] = {
        {"unnumbered", kUnnumbered, 0, 65},
        {"numbered", kNumbered, 3, 33},
    };
    for (const Row& row : rows) {
        UhidBoard b(board(std::string("feat-") + row.name, row.descriptor));
        const HidHandle handle = openBoard(b);
        ASSERT_NE(handle, kNoHandle) << row.name;

        Bytes frame(row.length);
        frame[0] = row.reportId;
        for (std::size_t i = 1; i < frame.size(); ++i)
            frame[i] = static_cast<std::uint8_t>(i * 7);
        ASSERT_TRUE(
            platform.setFeature(handle, frame.data(), static_cast<std::uint32_t>(frame.size())))
            << row.name;
        EXPECT_EQ(b.featureSet(row.reportId), frame) << row.name;

        Bytes answer(row.length + 8, 0xEE);
        answer[0] = row.reportId;
        ASSERT_TRUE(
            platform.getFeature(handle, answer.data(), static_cast<std::uint32_t>(row.length)))
            << row.name;
        EXPECT_EQ(Bytes(answer.begin(), answer.begin() + row.length), frame) << row.name;
        // Nothing beyond the offered length is touched.
        EXPECT_EQ(Bytes(answer.begin() + row.length, answer.end()), Bytes(8, 0xEE)) << row.name;

        b.failGets(true);
        EXPECT_FALSE(
            platform.getFeature(handle, answer.data(), static_cast<std::uint32_t>(row.length)))
            << row.name;
        platform.close(handle);
    }
}

TEST_F(KernelTest, AFeatureReplyCountsOnlyWhenItIsWhole) {
    struct Row {
        std::size_t replied;
        bool whole;
    };
    const Row rows[] = {{65, true}, {64, false}, {2, false}, {1, false}};
    std::atomic<std::size_t> replyLength{0};
    UhidBoard b(board("short", kUnnumbered),
                test::FeatureAnswers{{}, [&replyLength](std::uint8_t, Bytes& data) {
                                         data.assign(replyLength, 0x5A);
                                         data[0] = 0;
                                         return true;
                                     }});
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    for (const Row& row : rows) {
        replyLength = row.replied;
        Bytes answer(65, 0);
        EXPECT_EQ(platform.getFeature(handle, answer.data(), 65), row.whole) << row.replied;
    }
    platform.close(handle);
}

// hidraw's ioctls carry the report length in a 14-bit field: 16384 wraps to
// a request for 0 bytes. A child that dies at the first such ioctl proves
// that the backend refuses those lengths itself.
void trapWrappedFeatureIoctls() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_ioctl, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, HIDIOCSFEATURE(0), 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, HIDIOCGFEATURE(0), 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(2);
}

TEST_F(KernelTest, FeatureLengthsTheIoctlsCannotCarryNeverReachThem) {
    UhidBoard b(board("toolong", kUnnumbered));
    ASSERT_TRUE(b.created());
    // Synchronous: the child after fork has no thread of its own to need.
    const HidHandle handle = platform.open(b.node(), OpenMode::Synchronous, security);
    ASSERT_NE(handle, kNoHandle);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        trapWrappedFeatureIoctls();
        static std::uint8_t frame[70000];
        for (std::uint32_t length : {16384u, 16385u, 65536u + 65u, 0u})
            if (platform.setFeature(handle, frame, length) ||
                platform.getFeature(handle, frame, length))
                ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(WIFSIGNALED(status)) << "a wrapped length reached the kernel";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(b.featureSet(0).empty());
    platform.close(handle);
}

TEST_F(KernelTest, DrainsUnnumberedReportsBackToBackWithIdZero) {
    UhidBoard b(board("read0", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    std::vector<Bytes> sent;
    for (std::uint8_t r = 1; r <= 3; ++r) {
        Bytes report(16);
        for (std::size_t i = 0; i < report.size(); ++i)
            report[i] = static_cast<std::uint8_t>(r * 16 + i);
        ASSERT_TRUE(b.input(report));
        sent.push_back(report);
    }
    std::vector<std::uint8_t> buffer(1000, 0xEE);
    const ReadResult result = read(handle, buffer);
    ASSERT_EQ(result.outcome, ReadOutcome::Reports);
    ASSERT_EQ(result.count, 3u * 17);
    for (std::size_t r = 0; r < 3; ++r) {
        const Bytes slot(buffer.begin() + r * 17, buffer.begin() + (r + 1) * 17);
        EXPECT_EQ(slot, Bytes{0} + sent[r]) << "report " << r;
    }
    EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::NothingQueued);
}

TEST_F(KernelTest, DrainsNumberedReportsPaddedToInputLength) {
    UhidBoard b(board("read1", kNumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    ASSERT_TRUE(b.input({1, 10, 11, 12, 13, 14, 15, 16, 17}));
    ASSERT_TRUE(b.input({2, 20, 21, 22, 23}));
    std::vector<std::uint8_t> buffer(1000, 0xEE);
    const ReadResult result = read(handle, buffer);
    ASSERT_EQ(result.outcome, ReadOutcome::Reports);
    ASSERT_EQ(result.count, 18u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 18),
              (Bytes{1, 10, 11, 12, 13, 14, 15, 16, 17, 2, 20, 21, 22, 23, 0, 0, 0, 0}));
}

TEST_F(KernelTest, AReadKeepsTheNewestWholeReportsThatFit) {
    for (OpenMode mode : {OpenMode::Synchronous, OpenMode::Overlapped}) {
        const bool overlapped = mode == OpenMode::Overlapped;
        UhidBoard b(board(overlapped ? "fit-ov" : "fit-sync", kUnnumbered));
        ASSERT_TRUE(b.created());
        const HidHandle handle = platform.open(b.node(), mode, security);
        ASSERT_NE(handle, kNoHandle);
        for (std::uint8_t r = 1; r <= 3; ++r)
            ASSERT_TRUE(b.input(Bytes(16, r)));
        // Room for two reports and a part of a third: the two newest.
        std::vector<std::uint8_t> buffer(2 * 17 + 10);
        const ReadResult result = read(handle, buffer);
        ASSERT_EQ(result.outcome, ReadOutcome::Reports) << overlapped;
        EXPECT_EQ(result.count, 34u) << overlapped;
        EXPECT_EQ(buffer[16], 2) << overlapped;
        EXPECT_EQ(buffer[33], 3) << overlapped;
        // What did not fit was older than what was shown, and is gone.
        EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::NothingQueued) << overlapped;
        // Less than one report of room is the caller's fault, as on Windows.
        std::vector<std::uint8_t> tiny(16);
        EXPECT_EQ(read(handle, tiny).outcome, ReadOutcome::Failed) << overlapped;
        platform.close(handle);
    }
}

TEST_F(KernelTest, AfterABusySpellTheReadEndsWithTheLastReportSent) {
    UhidBoard b(board("busy", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    // Far more than the kernel keeps for an open node (64) arrive while
    // nothing reads, at a pace a board on a cable can keep up.
    constexpr unsigned kSent = 300;
    for (unsigned r = 1; r <= kSent; ++r) {
        Bytes report(16, 0);
        report[0] = static_cast<std::uint8_t>(r >> 8);
        report[1] = static_cast<std::uint8_t>(r & 0xFF);
        ASSERT_TRUE(b.input(report));
        if (r % 8 == 0)
            ::usleep(2000);
    }
    auto sequence = [](const std::vector<std::uint8_t>& buffer, std::size_t slot) {
        return static_cast<unsigned>(buffer[slot * 17 + 1] << 8 | buffer[slot * 17 + 2]);
    };
    std::vector<std::uint8_t> buffer(1000, 0xEE);
    const ReadResult result = read(handle, buffer);
    ASSERT_EQ(result.outcome, ReadOutcome::Reports);
    // As many whole reports as fit, oldest of them first.
    ASSERT_EQ(result.count, 58u * 17);
    for (std::size_t slot = 1; slot < 58; ++slot)
        EXPECT_LT(sequence(buffer, slot - 1), sequence(buffer, slot)) << "slot " << slot;
    EXPECT_EQ(sequence(buffer, 57), kSent);
    // The board goes quiet: nothing older turns up after the newest.
    EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::NothingQueued);
    EXPECT_TRUE(platform.close(handle));
}

TEST_F(KernelTest, HandlesLeaveNoDescriptorOrThreadBehind) {
    UhidBoard b(board("leftovers", kUnnumbered));
    ASSERT_TRUE(b.created());
    const std::size_t fds = openFdCount();
    const std::size_t threads = threadCount();
    for (int round = 0; round < 3; ++round) {
        const HidHandle reader = openBoard(b);
        const HidHandle feature = platform.open(b.node(), OpenMode::Synchronous, security);
        ASSERT_NE(reader, kNoHandle);
        ASSERT_NE(feature, kNoHandle);
        ASSERT_TRUE(b.input(Bytes(16, 0x33)));
        std::vector<std::uint8_t> buffer(1000);
        EXPECT_EQ(read(reader, buffer).outcome, ReadOutcome::Reports);
        EXPECT_TRUE(platform.close(feature));
        EXPECT_TRUE(platform.close(reader));
        EXPECT_EQ(openFdCount(), fds) << "round " << round;
        EXPECT_TRUE(threadCountComesBackTo(threads)) << "round " << round;
    }
    {
        // A platform that goes while a read handle is open lets go of it too.
        LinuxHidPlatform local;
        EXPECT_NE(local.open(b.node(), OpenMode::Overlapped, security), kNoHandle);
    }
    EXPECT_EQ(openFdCount(), fds);
    EXPECT_TRUE(threadCountComesBackTo(threads));
}

TEST_F(KernelTest, NothingQueuedUntilUnplugged) {
    UhidBoard b(board("gone", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    std::vector<std::uint8_t> buffer(1000);
    EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::NothingQueued);
    b.destroy();
    EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::Failed);
    EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::Failed);
    EXPECT_TRUE(platform.close(handle));
}

TEST_F(KernelTest, ReportsReadBeforeUnplugComeFirstThenFailure) {
    UhidBoard b(board("late", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    ASSERT_TRUE(b.input(Bytes(16, 0x11)));
    ASSERT_TRUE(b.input(Bytes(16, 0x22)));
    b.destroy();
    std::vector<std::uint8_t> buffer(1000);
    const ReadResult result = read(handle, buffer);
    ASSERT_EQ(result.outcome, ReadOutcome::Reports);
    EXPECT_EQ(result.count, 34u);
    EXPECT_EQ(buffer[33], 0x22);
    EXPECT_EQ(read(handle, buffer).outcome, ReadOutcome::Failed);
}

TEST_F(KernelTest, ForeignVendorNodeIsNeverOpened) {
    UhidBoard b(board("foreign", kUnnumbered, kForeignVendor));
    ASSERT_TRUE(b.created());
    const std::size_t before = openFdCount();
    EXPECT_EQ(platform.open(b.node(), OpenMode::Synchronous, security), kNoHandle);
    EXPECT_EQ(openFdCount(), before);
    EXPECT_FALSE(platform.lastOpenFailure().accessDenied);

    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    ASSERT_TRUE(platform.peekIds(b.node(), vendor, product));
    EXPECT_EQ(vendor, kForeignVendor);

    LinuxHidPlatform foreignAllowed(kForeignVendor);
    const HidHandle handle = foreignAllowed.open(b.node(), OpenMode::Synchronous, security);
    EXPECT_NE(handle, kNoHandle);
    EXPECT_TRUE(foreignAllowed.close(handle));
    EXPECT_EQ(openFdCount(), before);
}

TEST_F(KernelTest, RequestsOnClosedOrMissingHandlesFail) {
    UhidBoard b(board("closed", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);
    ASSERT_TRUE(platform.close(handle));
    EXPECT_FALSE(platform.close(handle));
    for (HidHandle h : {handle, kNoHandle}) {
        HidAttributes attributes;
        DeviceStringBuffer text;
        PreparsedData data = 0;
        Bytes frame(65);
        std::vector<std::uint8_t> buffer(100);
        EXPECT_FALSE(platform.getAttributes(h, attributes));
        EXPECT_FALSE(platform.getSerialNumberString(h, text.data(), DeviceStringBuffer::kOffered));
        EXPECT_FALSE(platform.getPreparsedData(h, data));
        EXPECT_FALSE(platform.setFeature(h, frame.data(), 65));
        EXPECT_FALSE(platform.getFeature(h, frame.data(), 65));
        EXPECT_EQ(read(h, buffer).outcome, ReadOutcome::Failed);
    }
    EXPECT_EQ(platform.open("/dev/null", OpenMode::Synchronous, security), kNoHandle);
}

TEST_F(KernelTest, RefusedOpenIsRecordedAsAccessDenied) {
    UhidBoard b(board("denied", kUnnumbered));
    ASSERT_TRUE(b.created());
    ASSERT_EQ(::chmod(b.node().c_str(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe work would be strictly right here; the
        // child is single threaded from now on and exits at once.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        LinuxHidPlatform p;
        SecurityAttributes s;
        if (p.open(b.node(), OpenMode::Synchronous, s) != kNoHandle)
            ::_exit(3);
        const OpenFailure failure = p.lastOpenFailure();
        ::_exit(failure.accessDenied && failure.node == b.node() ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(KernelTest, DeviceLinkFindsBoardThroughBackend) {
    UhidBoard ours(board("link", kUnnumbered));
    UhidBoard foreign(board("linkforeign", kUnnumbered, kForeignVendor));
    ASSERT_TRUE(ours.created() && foreign.created());
    test::FakeSerialList list;
    DeviceLink link(platform, list);
    link.Scan_USB_devices();
    EXPECT_NE(std::find(list.items.begin(), list.items.end(), "KU-link"), list.items.end());
    EXPECT_EQ(std::find(list.items.begin(), list.items.end(), "KU-linkforeign"), list.items.end());

    list.items = {"KU-link"};
    list.selected = 0;
    ASSERT_TRUE(link.FindTheHid());
    EXPECT_EQ(link.devicePath, ours.node());
    EXPECT_EQ(link.deviceCapabilities.InputReportByteLength, 17);
    EXPECT_EQ(link.deviceCapabilities.FeatureReportByteLength, 65);
    EXPECT_NE(link.readEvent, 0);
    ASSERT_TRUE(ours.input(Bytes(16, 0x5A)));
    std::vector<std::uint8_t> buffer(1000);
    const ReadResult result = link.ReadInputReports(buffer.data(), 1000);
    EXPECT_EQ(result.outcome, ReadOutcome::Reports);
    EXPECT_EQ(result.count, 17u);
    link.CloseBoard();
}

TEST_F(KernelTest, GadgetBoardHasUsbIdentity) {
    test::UsbGadget gadget(test::UsbGadgetInfo{KESTRO_VENDOR_ID, 0x1141, 0x0110, "Test Maker",
                                               "Test Board", "KG-0001", 16, kUnnumbered});
    if (gadget.node().empty())
        GTEST_SKIP() << "no USB gadget: " << gadget.error();
    const HidHandle handle = platform.open(gadget.node(), OpenMode::Synchronous, security);
    ASSERT_NE(handle, kNoHandle);

    HidAttributes attributes;
    ASSERT_TRUE(platform.getAttributes(handle, attributes));
    EXPECT_EQ(attributes.VendorID, KESTRO_VENDOR_ID);
    EXPECT_EQ(attributes.ProductID, 0x1141);
    EXPECT_EQ(attributes.VersionNumber, 0x0110);

    DeviceStringBuffer text;
    ASSERT_TRUE(platform.getManufacturerString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(text), "Test Maker");
    text = {};
    ASSERT_TRUE(platform.getProductString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(text), "Test Board");
    text = {};
    ASSERT_TRUE(platform.getSerialNumberString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(text), "KG-0001");

    // The device descriptor names the manufacturer's string index: fetching
    // it through usbfs proves the control transfer path end to end.
    const auto usb = linux_hid::usbParentOf("/sys/class/hidraw",
                                            linux_hid::hidrawNumber(gadget.node()).value_or(0));
    ASSERT_TRUE(usb);
    const auto descriptors = linux_hid::readAttribute(*usb + "/descriptors");
    ASSERT_TRUE(descriptors && descriptors->size() >= 18);
    const auto manufacturerIndex = static_cast<std::uint8_t>((*descriptors)[14]);
    ASSERT_NE(manufacturerIndex, 0);
    text = {};
    ASSERT_TRUE(platform.getIndexedString(handle, manufacturerIndex, text.data(),
                                          DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(text), "Test Maker");

    // The gadget has no string 42: the request fails and leaves the buffer.
    text = {};
    text.bytes[0] = 0x77;
    EXPECT_FALSE(platform.getIndexedString(handle, 42, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(text.bytes[0], 0x77);

    const HidCaps caps = capsOf(handle);
    EXPECT_EQ(caps.InputReportByteLength, 17);
    EXPECT_EQ(caps.FeatureReportByteLength, 65);

    // The control transfers went to the device without claiming anything:
    // usbhid still delivers the gadget's reports, unnumbered, with ID 0.
    const std::string functionNode = gadget.functionNode();
    ASSERT_FALSE(functionNode.empty());
    const int gadgetFd = ::open(functionNode.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(gadgetFd, 0);
    const Bytes report(16, 0xA5);
    EXPECT_EQ(::write(gadgetFd, report.data(), report.size()), 16);
    ::close(gadgetFd);
    std::vector<std::uint8_t> buffer(1000);
    ReadResult result;
    for (int tries = 0; tries < 200 && result.outcome != ReadOutcome::Reports; ++tries) {
        result = read(handle, buffer);
        if (result.outcome == ReadOutcome::NothingQueued)
            ::usleep(10 * 1000);
    }
    ASSERT_EQ(result.outcome, ReadOutcome::Reports);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + result.count), Bytes{0} + report);
    EXPECT_TRUE(platform.close(handle));
}

TEST_F(KernelTest, AnEmptyUsbSerialIsListedAndOpensButNoSerialIsSkipped) {
    struct Row {
        const char* what;
        bool strings;
        bool listed;
    };
    const Row rows[] = {
        {"serial string present but empty", true, true},
        {"no serial string at all", false, false},
    };
    for (const Row& row : rows) {
        test::UsbGadgetInfo info{KESTRO_VENDOR_ID, 0x1144, 0x0110, "Test Maker",
                                 "Test Board",     "",     16,     kUnnumbered};
        info.strings = row.strings;
        test::UsbGadget gadget(info);
        if (gadget.node().empty())
            GTEST_SKIP() << "no USB gadget: " << gadget.error();
        test::FakeSerialList list;
        DeviceLink link(platform, list);
        link.Scan_USB_devices();
        EXPECT_EQ(list.items,
                  row.listed ? std::vector<std::string>{""} : std::vector<std::string>{})
            << row.what;
        // The list's text is empty either way: only a listed board matches it.
        EXPECT_EQ(link.FindTheHid(), row.listed) << row.what;
        if (row.listed) {
            EXPECT_EQ(link.devicePath, gadget.node()) << row.what;
        }
        link.CloseBoard();
    }
}

} // namespace
} // namespace kestro
