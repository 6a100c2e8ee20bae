// The Windows backend under Wine in the guest, against the Linux kernel's HID
// stack through Wine's winebus: a uhid board, and a USB gadget board on
// dummy_hcd, both made by the board host. Without the host the tests skip.
#include "../fake_serial_list.h"
#include "../linux/board_descriptors.h"
#include "board_host_client.h"
#include "device_link.h"
#include "device_string.h"
#include "hid_log.h"
#include "kestro_ids.h"
#include "logging_platform.h"
#include "windows/windows_hid_platform.h"
#include "wine_facts.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

namespace kestro {
namespace {

using test::Bytes;
using test::operator+;
using test::HostBoard;
using namespace std::chrono_literals;

constexpr std::uint16_t kProduct = 0x1140;
constexpr std::uint16_t kVersion = 0x0110;
constexpr std::uint32_t kInput = 17;
constexpr std::uint32_t kFeature = 65;

enum class Kind { Uhid, Gadget };

struct BoardRow {
    const char* name;
    Kind kind;
    std::string serial;
    test::BoardStrings strings;
};

const BoardRow kBoards[] = {
    {"uhid", Kind::Uhid, "KW-uhid", {"", "", "kestro-uhid"}},
    {"gadget", Kind::Gadget, "KW-gadget", {"Test Maker", "Test Board", "Test Maker Test Board"}},
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

Bytes frame(std::initializer_list<std::uint8_t> head) {
    Bytes bytes(kFeature, 0);
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
}

class WindowsOnKernel : public testing::Test {
protected:
    void SetUp() override {
        if (!host.connected())
            GTEST_SKIP() << "no board host: run through kestro_board_host inside hid-vm";
    }

    void TearDown() override {
        for (const HostBoard& board : made)
            host.destroy(board);
    }

    HostBoard make(const BoardRow& row) {
        return keep(row.kind == Kind::Uhid
                        ? host.uhid(KESTRO_VENDOR_ID, kProduct, kVersion, row.strings.kernelName,
                                    row.serial)
                        : host.gadget(KESTRO_VENDOR_ID, kProduct, kVersion, row.serial));
    }
    HostBoard uhid(std::uint16_t vendor, const std::string& name) {
        return keep(host.uhid(vendor, kProduct, kVersion, name, "KW-" + name));
    }
    HostBoard keep(const HostBoard& board) {
        if (board.id != 0)
            made.push_back(board);
        return board;
    }

    // The interface whose serial number is serial, once Wine has seen the
    // kernel add it; empty when it never shows.
    std::string waitForInterface(const std::string& serial) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto set = platform.presentInterfaces();
            std::string path;
            for (std::uint32_t i = 0; set && set->interfaceAt(i, path); ++i) {
                const HidHandle h = platform.open(path, OpenMode::Synchronous, security);
                DeviceStringBuffer text;
                const bool match =
                    h != kNoHandle &&
                    platform.getSerialNumberString(h, text.data(), DeviceStringBuffer::kOffered) &&
                    decodeDeviceString(text) == serial;
                platform.close(h);
                if (match)
                    return path;
            }
            std::this_thread::sleep_for(100ms);
        }
        return {};
    }

    ReadResult read(HidHandle handle, Bytes& buffer) {
        buffer.assign(1000, 0xEE);
        const ReadResult result =
            platform.readInputReports(handle, buffer.data(), 1000, overlapped);
        buffer.resize(result.count);
        return result;
    }

    // Reads until outcome comes, or gives up after timeout.
    ReadResult readUntil(HidHandle handle, Bytes& buffer, ReadOutcome outcome,
                         std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        ReadResult result = read(handle, buffer);
        while (result.outcome != outcome && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            result = read(handle, buffer);
        }
        return result;
    }

    test::BoardHostClient host;
    std::vector<HostBoard> made;
    test::HidStackFacts facts;
    WindowsHidPlatform platform;
    SecurityAttributes security{12, nullptr, -1};
    Overlapped overlapped;
};

// One test per board kind: Wine sees one gadget at a time, and a board's
// reads only make sense after the identity checks found it.
TEST_F(WindowsOnKernel, EachBoardIsWalkedIdentifiedFedAndRead) {
    for (const BoardRow& row : kBoards) {
        SCOPED_TRACE(row.name);
        const HostBoard board = make(row);
        ASSERT_NE(board.id, 0) << host.lastError();
        const std::string path = waitForInterface(row.serial);
        ASSERT_FALSE(path.empty()) << "Wine never showed " << board.node;

        // The walk: an interface path of the HID class with the board's IDs.
        char ids[32];
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", KESTRO_VENDOR_ID, kProduct);
        EXPECT_EQ(lower(path).rfind("\\\\?\\hid#", 0), 0u) << path;
        EXPECT_NE(lower(path).find(ids), std::string::npos) << path;

        const HidHandle handle = platform.open(path, OpenMode::Synchronous, security);
        ASSERT_NE(handle, kNoHandle);
        HidAttributes attributes;
        ASSERT_TRUE(platform.getAttributes(handle, attributes));
        EXPECT_EQ(attributes.VendorID, KESTRO_VENDOR_ID);
        EXPECT_EQ(attributes.ProductID, kProduct);
        EXPECT_EQ(attributes.VersionNumber, facts.version(kVersion, row.kind == Kind::Gadget));

        DeviceStringBuffer text;
        ASSERT_TRUE(
            platform.getSerialNumberString(handle, text.data(), DeviceStringBuffer::kOffered));
        EXPECT_EQ(decodeDeviceString(text), row.serial);
        text = {};
        ASSERT_TRUE(
            platform.getManufacturerString(handle, text.data(), DeviceStringBuffer::kOffered));
        EXPECT_EQ(decodeDeviceString(text), facts.manufacturer(row.strings));
        text = {};
        ASSERT_TRUE(platform.getProductString(handle, text.data(), DeviceStringBuffer::kOffered));
        EXPECT_EQ(decodeDeviceString(text), facts.product(row.strings));
        if (!facts.indexedStringsReachDevice()) {
            text = {};
            EXPECT_FALSE(
                platform.getIndexedString(handle, 42, text.data(), DeviceStringBuffer::kOffered));
            EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
        }

        PreparsedData data = 0;
        HidCaps caps;
        ASSERT_TRUE(platform.getPreparsedData(handle, data));
        ASSERT_TRUE(platform.getCaps(data, caps));
        EXPECT_TRUE(platform.freePreparsedData(data));
        EXPECT_FALSE(platform.freePreparsedData(data));
        EXPECT_FALSE(platform.getCaps(data, caps));
        EXPECT_EQ(caps.InputReportByteLength, kInput);
        EXPECT_EQ(caps.FeatureReportByteLength, kFeature);

        // A settings request and the eight fetches that follow it, byte for
        // byte on both sides. The gadget's function answers fetches with
        // zeros; the uhid board's firmware with its settings blocks.
        const Bytes request = frame({0x00, 0xE0, 0x00, 0x05});
        ASSERT_TRUE(platform.setFeature(handle, request.data(), kFeature));
        std::vector<Bytes> replies;
        for (int i = 0; i < 8; ++i) {
            Bytes reply(kFeature + 4, 0xEE);
            reply[0] = 0;
            ASSERT_TRUE(platform.getFeature(handle, reply.data(), kFeature)) << "fetch " << i;
            // Nothing past the offered length is touched.
            EXPECT_EQ(Bytes(reply.begin() + kFeature, reply.end()), Bytes(4, 0xEE));
            reply.resize(kFeature);
            replies.push_back(reply);
        }
        EXPECT_EQ(host.sets(board), std::vector<Bytes>{request});
        if (row.kind == Kind::Uhid)
            EXPECT_EQ(host.gets(board), replies);
        else
            EXPECT_EQ(replies, std::vector<Bytes>(8, Bytes(kFeature, 0)));
        EXPECT_TRUE(platform.close(handle));

        // The read channel: nothing queued, one report, several with the
        // newest last, and the board gone.
        const HidHandle reader = platform.open(path, OpenMode::Overlapped, security);
        ASSERT_NE(reader, kNoHandle);
        overlapped.hEvent = platform.createEvent(security, true, true);
        Bytes got;
        EXPECT_EQ(read(reader, got).outcome, ReadOutcome::NothingQueued);
        const Bytes one(16, 0x5A);
        ASSERT_TRUE(host.input(board, one));
        ReadResult result = readUntil(reader, got, ReadOutcome::Reports);
        ASSERT_EQ(result.outcome, ReadOutcome::Reports);
        EXPECT_EQ(got, Bytes{0} + one);

        Bytes three;
        for (std::uint8_t r = 1; r <= 3; ++r) {
            const Bytes report(16, static_cast<std::uint8_t>(0x10 * r));
            ASSERT_TRUE(host.input(board, report));
            three.push_back(0);
            three.insert(three.end(), report.begin(), report.end());
        }
        // All three queued (the first completing the read left outstanding)
        // before the next poll takes them in one call.
        std::this_thread::sleep_for(500ms);
        result = read(reader, got);
        ASSERT_EQ(result.outcome, ReadOutcome::Reports);
        EXPECT_EQ(got, three);
        EXPECT_EQ(read(reader, got).outcome, ReadOutcome::NothingQueued);

        ASSERT_TRUE(host.destroy(board));
        result = readUntil(reader, got, ReadOutcome::Failed);
        EXPECT_EQ(result.outcome, ReadOutcome::Failed);
        EXPECT_TRUE(platform.close(reader));
        ::CloseHandle(reinterpret_cast<HANDLE>(overlapped.hEvent));
    }
}

TEST_F(WindowsOnKernel, ShortFeatureReplyFails) {
    const HostBoard board = uhid(KESTRO_VENDOR_ID, "short");
    ASSERT_NE(board.id, 0) << host.lastError();
    const std::string path = waitForInterface("KW-short");
    ASSERT_FALSE(path.empty());
    const HidHandle handle = platform.open(path, OpenMode::Synchronous, security);
    ASSERT_NE(handle, kNoHandle);
    const Bytes request = frame({0x00, 0xE0, 0x00, 0x05});
    ASSERT_TRUE(platform.setFeature(handle, request.data(), kFeature));
    Bytes reply(kFeature, 0);
    ASSERT_TRUE(platform.getFeature(handle, reply.data(), kFeature));
    ASSERT_TRUE(host.shortReplies(board, 17));
    EXPECT_FALSE(platform.getFeature(handle, reply.data(), kFeature));
    // A length no report has fails without reaching the board.
    const std::size_t before = host.gets(board).size();
    Bytes huge(WindowsHidPlatform::kMaxReportLength + 1, 0);
    EXPECT_FALSE(platform.getFeature(handle, huge.data(), static_cast<std::uint32_t>(huge.size())));
    EXPECT_FALSE(platform.setFeature(handle, huge.data(), static_cast<std::uint32_t>(huge.size())));
    EXPECT_EQ(host.gets(board).size(), before);
    EXPECT_EQ(host.sets(board).size(), 1u);
    EXPECT_TRUE(platform.close(handle));
}

TEST_F(WindowsOnKernel, LinkWalksPastForeignDeviceAndClosesWhatItOpens) {
    const HostBoard foreign = uhid(0x1209, "foreign");
    ASSERT_NE(foreign.id, 0) << host.lastError();
    const HostBoard ours = uhid(KESTRO_VENDOR_ID, "link");
    ASSERT_NE(ours.id, 0) << host.lastError();
    ASSERT_FALSE(waitForInterface("KW-foreign").empty());
    ASSERT_FALSE(waitForInterface("KW-link").empty());

    // Counted through the debug log every open and close passes.
    int opens = 0;
    int closes = 0;
    setHidLogSink([&](std::string_view line) {
        opens += line.rfind("open ", 0) == 0 && line.find(" -> handle ") != std::string::npos;
        closes += line.rfind("close handle ", 0) == 0 && line.find(" ok") != std::string::npos;
    });
    LoggingHidPlatform logged(platform);
    test::FakeSerialList serNo;
    DeviceLink link(logged, serNo);
    link.Scan_USB_devices();
    // The foreign device has a Kestro product ID, but not the vendor.
    EXPECT_EQ(std::count(serNo.items.begin(), serNo.items.end(), "KW-foreign"), 0);
    const auto listed = std::find(serNo.items.begin(), serNo.items.end(), "KW-link");
    ASSERT_NE(listed, serNo.items.end());
    serNo.selected = static_cast<int>(listed - serNo.items.begin());
    ASSERT_TRUE(link.FindTheHid());
    EXPECT_EQ(link.deviceCapabilities.InputReportByteLength, kInput);
    Bytes buffer(1000);
    EXPECT_EQ(link.ReadInputReports(buffer.data(), 1000).outcome, ReadOutcome::NothingQueued);
    link.CloseBoard();
    setHidLogSink({});
    EXPECT_GT(opens, 2);
    EXPECT_EQ(opens, closes);
    EXPECT_TRUE(host.sets(foreign).empty());
    EXPECT_TRUE(host.gets(foreign).empty());
}

} // namespace
} // namespace kestro
