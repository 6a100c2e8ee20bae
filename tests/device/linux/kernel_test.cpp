// The Linux backend against the real kernel: the backend contract on uhid and
// configfs gadget boards, and what only hidraw, sysfs and usbfs can show:
// numbered reports, descriptors and threads, the ioctls' limits, access.
// Run inside hid-vm as root; anywhere else the tests skip.
#include "../backend_contract.h"
#include "../fake_serial_list.h"
#include "board_descriptors.h"
#include "device_link.h"
#include "device_string.h"
#include "kestro_ids.h"
#include "linux/linux_hid_platform.h"
#include "linux/udev_walk.h"
#include "local_boards.h"
#include "tests/support/guest_guards.h"
#include "tests/support/process_counts.h"
#include "uhid_board.h"
#include "usb_gadget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
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

std::string stringOf(const DeviceStringBuffer& buffer) {
    return decodeDeviceString(buffer);
}

class KernelTest : public testing::Test {
protected:
    void SetUp() override { KESTRO_SKIP_WITHOUT_UHID(); }

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
    std::vector<unsigned> numbers;
    for (const auto& p : paths)
        numbers.push_back(linux_hid::hidrawNumber(p).value_or(0));
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
}

TEST_F(KernelTest, IdentityOfBoardWithoutUsbParent) {
    UhidBoard b(board("ident", kUnnumbered));
    const HidHandle handle = openBoard(b);
    ASSERT_NE(handle, kNoHandle);

    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    ASSERT_TRUE(platform.peekIds(b.node(), vendor, product));
    EXPECT_EQ(vendor, KESTRO_VENDOR_ID);
    EXPECT_EQ(product, kProduct);

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
    const std::size_t fds = test::openDescriptorCount();
    const std::size_t threads = test::threadCount();
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
        EXPECT_EQ(test::openDescriptorCount(), fds) << "round " << round;
        EXPECT_TRUE(test::threadCountComesBackTo(threads)) << "round " << round;
    }
    {
        // A platform that goes while a read handle is open lets go of it too.
        LinuxHidPlatform local;
        EXPECT_NE(local.open(b.node(), OpenMode::Overlapped, security), kNoHandle);
    }
    EXPECT_EQ(test::openDescriptorCount(), fds);
    EXPECT_TRUE(test::threadCountComesBackTo(threads));
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
    const std::size_t before = test::openDescriptorCount();
    EXPECT_EQ(platform.open(b.node(), OpenMode::Synchronous, security), kNoHandle);
    EXPECT_EQ(test::openDescriptorCount(), before);
    EXPECT_FALSE(platform.lastOpenFailure().accessDenied);

    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    ASSERT_TRUE(platform.peekIds(b.node(), vendor, product));
    EXPECT_EQ(vendor, kForeignVendor);

    LinuxHidPlatform foreignAllowed(kForeignVendor);
    const HidHandle handle = foreignAllowed.open(b.node(), OpenMode::Synchronous, security);
    EXPECT_NE(handle, kNoHandle);
    EXPECT_TRUE(foreignAllowed.close(handle));
    EXPECT_EQ(test::openDescriptorCount(), before);
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

TEST_F(KernelTest, GadgetBoardNamesItselfThroughUsbfs) {
    test::UsbGadget gadget(test::UsbGadgetInfo{KESTRO_VENDOR_ID, 0x1141, 0x0110, "Test Maker",
                                               "Test Board", "KG-0001", 16, kUnnumbered});
    if (gadget.node().empty())
        GTEST_SKIP() << "no USB gadget: " << gadget.error();
    const HidHandle handle = platform.open(gadget.node(), OpenMode::Synchronous, security);
    ASSERT_NE(handle, kNoHandle);

    DeviceStringBuffer text;
    ASSERT_TRUE(platform.getManufacturerString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(text), "Test Maker");
    text = {};
    ASSERT_TRUE(platform.getProductString(handle, text.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(stringOf(text), "Test Board");

    // The device descriptor names the manufacturer's string index: fetching
    // it through usbfs proves the control transfer path end to end.
    const auto descriptors =
        linux_hid::HidrawDevice(linux_hid::hidrawNumber(gadget.node()).value_or(0))
            .usbDescriptors();
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

// The contract's bench on Linux: boards made in this process, found at
// their hidraw nodes.
class LinuxBench final : public test::ContractBench {
public:
    std::string unavailable() override {
        return test::haveUhid() && test::haveDummyUdc()
                   ? ""
                   : "needs root, /dev/uhid and dummy_hcd: run inside hid-vm";
    }
    HidPlatform& platform() override { return platform_; }
    std::unique_ptr<test::TestBoard> make(const test::TestBoardShape& shape,
                                          std::string& error) override {
        return test::makeLocalBoard(shape, error);
    }
    std::string pathOf(const test::TestBoardShape&, test::TestBoard& board) override {
        return board.node();
    }
    Overlapped& overlapped() override { return overlapped_; }
    // A gadget's reports cross dummy_hcd one interrupt transfer at a time.
    std::chrono::milliseconds queueing() const override { return std::chrono::milliseconds(100); }
    bool seesOneByteMissing() const override { return true; }

private:
    LinuxHidPlatform platform_;
    Overlapped overlapped_;
};

} // namespace

std::unique_ptr<test::ContractBench> test::makeContractBench() {
    return std::make_unique<LinuxBench>();
}

} // namespace kestro
