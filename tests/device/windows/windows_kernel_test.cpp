// The Windows backend under Wine in the guest, against the Linux kernel's HID
// stack through Wine's winebus: the backend contract on a uhid board and a USB
// gadget board, both made by the board host, and what only Windows shows:
// interface paths and the strings the HID stack names a board by. Without
// the host the tests skip.
#include "../backend_contract.h"
#include "board_host_client.h"
#include "device_string.h"
#include "kestro_ids.h"
#include "tests/support/waiting.h"
#include "windows/windows_hid_platform.h"
#include "wine_facts.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <vector>

namespace kestro {
namespace {

using namespace std::chrono_literals;
using test::BoardKind;

// The interface whose serial number is serial, once Wine has seen the kernel
// add it; empty when it never shows.
std::string waitForInterface(HidPlatform& platform, const std::string& serial) {
    std::string found;
    test::waitUntil(
        [&] {
            const auto set = platform.presentInterfaces();
            SecurityAttributes security{12, nullptr, -1};
            std::string path;
            for (std::uint32_t i = 0; set && set->interfaceAt(i, path); ++i) {
                const HidHandle h = platform.open(path, OpenMode::Synchronous, security);
                DeviceStringBuffer text;
                const bool match =
                    h != kNoHandle &&
                    platform.getSerialNumberString(h, text.data(), DeviceStringBuffer::kOffered) &&
                    decodeDeviceString(text) == serial;
                platform.close(h);
                if (match) {
                    found = path;
                    return true;
                }
            }
            return false;
        },
        30s, 100ms);
    return found;
}

// Waits for Wine to drop an unplugged board's interface: a board made before
// that may take the same hidraw node, and Wine would never show it.
void waitForInterfaceGone(HidPlatform& platform, const std::string& path) {
    test::waitUntil(
        [&] {
            const auto set = platform.presentInterfaces();
            std::string listed;
            for (std::uint32_t i = 0; set && set->interfaceAt(i, listed); ++i)
                if (listed == path)
                    return false;
            return true;
        },
        10s, 100ms);
}

// The contract's bench under Wine: boards from the host, found by the walk.
class WineBench final : public test::ContractBench {
public:
    WineBench() {
        SecurityAttributes security{12, nullptr, -1};
        overlapped_.hEvent = platform_.createEvent(security, true, true);
    }
    ~WineBench() override {
        for (const std::string& path : shown_)
            waitForInterfaceGone(platform_, path);
        ::CloseHandle(reinterpret_cast<HANDLE>(overlapped_.hEvent));
    }
    std::string unavailable() override {
        return host_.connected() ? ""
                                 : "no board host: run through kestro_board_host inside hid-vm";
    }
    HidPlatform& platform() override { return platform_; }
    std::unique_ptr<test::TestBoard> make(const test::TestBoardShape& shape,
                                          std::string& error) override {
        auto board = host_.make(shape);
        error = host_.lastError();
        return board;
    }
    std::string pathOf(const test::TestBoardShape& shape, test::TestBoard&) override {
        shown_.push_back(waitForInterface(platform_, shape.serial));
        return shown_.back();
    }
    Overlapped& overlapped() override { return overlapped_; }
    // A report reaches a read through winebus and the read left outstanding.
    std::chrono::milliseconds queueing() const override { return 500ms; }
    // An unnumbered board's reply is counted with its ID byte by Wine and
    // without it by Windows: the backend takes either count as whole.
    bool seesOneByteMissing() const override { return !facts_.wine; }

private:
    test::BoardHostClient host_;
    test::HidStackFacts facts_;
    WindowsHidPlatform platform_;
    Overlapped overlapped_;
    std::vector<std::string> shown_;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct BoardRow {
    const char* name;
    BoardKind kind;
    std::string serial;
    test::BoardStrings strings;
};

// One test for both kinds: Wine sees one gadget at a time.
TEST(WindowsOnKernel, InterfacePathsAndStringsNameTheBoard) {
    test::BoardHostClient host;
    if (!host.connected())
        GTEST_SKIP() << "no board host: run through kestro_board_host inside hid-vm";
    const BoardRow rows[] = {
        {"uhid", BoardKind::Uhid, "KW-uhid", {"", "", "kestro-uhid"}},
        {"gadget",
         BoardKind::Gadget,
         "KW-gadget",
         {"Test Maker", "Test Board", "Test Maker Test Board"}},
    };
    const test::HidStackFacts facts;
    WindowsHidPlatform platform;
    SecurityAttributes security{12, nullptr, -1};
    for (const BoardRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto board = host.make(
            {row.kind, KESTRO_VENDOR_ID, 0x1140, 0x0110, row.strings.kernelName, row.serial});
        ASSERT_TRUE(board) << host.lastError();
        const std::string path = waitForInterface(platform, row.serial);
        ASSERT_FALSE(path.empty()) << "Wine never showed " << board->node();

        // An interface path of the HID class with the board's IDs.
        char ids[32];
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", KESTRO_VENDOR_ID, 0x1140);
        EXPECT_EQ(lower(path).rfind("\\\\?\\hid#", 0), 0u) << path;
        EXPECT_NE(lower(path).find(ids), std::string::npos) << path;

        const HidHandle handle = platform.open(path, OpenMode::Synchronous, security);
        ASSERT_NE(handle, kNoHandle);
        DeviceStringBuffer text;
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
        EXPECT_TRUE(platform.close(handle));
        board.reset();
        waitForInterfaceGone(platform, path);
    }
}

} // namespace

std::unique_ptr<test::ContractBench> test::makeContractBench() {
    return std::make_unique<WineBench>();
}

} // namespace kestro
