// The contract every system backend keeps with the device link, run against
// boards of the guest kernel: on Linux through hidraw, under Wine through
// winebus and hid.dll. A uhid board answers feature requests with the
// simulated firmware; a USB gadget board sits on a cable (dummy_hcd).
#include "backend_contract.h"

#include "device_link.h"
#include "device_string.h"
#include "fake_serial_list.h"
#include "hid_log.h"
#include "kestro_ids.h"
#include "logging_platform.h"
#include "tests/support/waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace kestro::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kForeignVendor = 0x1209;
constexpr std::uint16_t kProduct = 0x1140;
constexpr std::uint16_t kVersion = 0x0110;
constexpr std::uint32_t kInput = 17;
constexpr std::uint32_t kFeature = 65;
// Wraps to a whole feature report in a 14-bit length field, and is longer
// than any report a HID device may have.
constexpr std::uint32_t kHugeLength = 65536 + kFeature;

class BackendContractBase {
protected:
    std::string skipReason() { return bench->unavailable(); }

    TestBoardShape shape(BoardKind kind, const std::string& name,
                         std::uint16_t vendor = KESTRO_VENDOR_ID) {
        return {kind, vendor, kProduct, kVersion, "kestro-" + name, "KC-" + name};
    }
    std::unique_ptr<TestBoard> make(const TestBoardShape& s) {
        std::string error;
        auto board = bench->make(s, error);
        EXPECT_TRUE(board) << s.serial << ": " << error;
        return board;
    }

    ReadResult read(HidHandle handle, Bytes& got) {
        got.assign(1000, 0xEE);
        const ReadResult result = platform.readInputReports(
            handle, got.data(), static_cast<std::uint32_t>(got.size()), bench->overlapped());
        got.resize(result.count);
        return result;
    }
    ReadResult readUntil(HidHandle handle, Bytes& got, ReadOutcome outcome) {
        ReadResult result;
        waitUntil([&] { return (result = read(handle, got)).outcome == outcome; }, 10s, 20ms);
        return result;
    }

    std::unique_ptr<ContractBench> bench = makeContractBench();
    HidPlatform& platform = bench->platform();
    SecurityAttributes security{12, nullptr, -1};
};

class BackendContract : public BackendContractBase, public testing::TestWithParam<BoardKind> {
protected:
    void SetUp() override {
        if (const std::string why = skipReason(); !why.empty())
            GTEST_SKIP() << why;
    }
};

class BackendContractUhid : public BackendContractBase, public testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = skipReason(); !why.empty())
            GTEST_SKIP() << why;
    }
};

TEST_P(BackendContract, WalkIdentityLengthsAndFeatureTrafficByteForByte) {
    const BoardKind kind = GetParam();
    const TestBoardShape s = shape(kind, kind == BoardKind::Uhid ? "uhid" : "gadget");
    const auto board = make(s);
    ASSERT_TRUE(board);
    const std::string path = bench->pathOf(s, *board);
    ASSERT_FALSE(path.empty()) << "the backend never showed " << board->node();

    std::vector<std::string> walked;
    const auto set = platform.presentInterfaces();
    ASSERT_TRUE(set);
    for (std::string p; set->interfaceAt(static_cast<std::uint32_t>(walked.size()), p);)
        walked.push_back(p);
    EXPECT_NE(std::find(walked.begin(), walked.end(), path), walked.end()) << path;

    const HidHandle handle = platform.open(path, OpenMode::Synchronous, security);
    ASSERT_NE(handle, kNoHandle);
    HidAttributes attributes;
    ASSERT_TRUE(platform.getAttributes(handle, attributes));
    EXPECT_EQ(attributes.VendorID, KESTRO_VENDOR_ID);
    EXPECT_EQ(attributes.ProductID, kProduct);
    // The version is the USB parent's bcdDevice: a uhid board has none.
    EXPECT_EQ(attributes.VersionNumber, kind == BoardKind::Gadget ? kVersion : 0);
    DeviceStringBuffer serial;
    ASSERT_TRUE(
        platform.getSerialNumberString(handle, serial.data(), DeviceStringBuffer::kOffered));
    EXPECT_EQ(decodeDeviceString(serial), s.serial);

    PreparsedData data = 0;
    HidCaps caps;
    ASSERT_TRUE(platform.getPreparsedData(handle, data));
    ASSERT_TRUE(platform.getCaps(data, caps));
    EXPECT_TRUE(platform.freePreparsedData(data));
    EXPECT_FALSE(platform.freePreparsedData(data));
    EXPECT_FALSE(platform.getCaps(data, caps));
    EXPECT_EQ(caps.InputReportByteLength, kInput);
    EXPECT_EQ(caps.OutputReportByteLength, 0);
    EXPECT_EQ(caps.FeatureReportByteLength, kFeature);

    // A settings request and the eight fetches that follow it, byte for byte
    // on both sides. The gadget's function answers fetches with zeros.
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
    EXPECT_EQ(board->sets(), std::vector<Bytes>{request});
    if (kind == BoardKind::Uhid)
        EXPECT_EQ(board->gets(), replies);
    else
        EXPECT_EQ(replies, std::vector<Bytes>(8, Bytes(kFeature, 0)));

    // A length no report has fails without reaching the board.
    Bytes huge(kHugeLength, 0);
    EXPECT_FALSE(platform.getFeature(handle, huge.data(), kHugeLength));
    EXPECT_FALSE(platform.setFeature(handle, huge.data(), kHugeLength));
    EXPECT_EQ(board->sets().size(), 1u);
    EXPECT_EQ(board->gets().size(), kind == BoardKind::Uhid ? 8u : 0u);
    if (board->refuseFetches()) {
        Bytes reply(kFeature, 0);
        EXPECT_FALSE(platform.getFeature(handle, reply.data(), kFeature));
    }

    ASSERT_TRUE(platform.close(handle));
    EXPECT_FALSE(platform.close(handle));
    for (HidHandle h : {handle, kNoHandle}) {
        DeviceStringBuffer text;
        Bytes buffer;
        EXPECT_FALSE(platform.getAttributes(h, attributes));
        EXPECT_FALSE(platform.getSerialNumberString(h, text.data(), DeviceStringBuffer::kOffered));
        EXPECT_FALSE(platform.getPreparsedData(h, data));
        EXPECT_FALSE(platform.setFeature(h, huge.data(), kFeature));
        EXPECT_FALSE(platform.getFeature(h, huge.data(), kFeature));
        EXPECT_EQ(read(h, buffer).outcome, ReadOutcome::Failed);
    }
}

TEST_P(BackendContract, ReadsNothingThenEachReportInOrderThenFailsOnceUnplugged) {
    const BoardKind kind = GetParam();
    const TestBoardShape s = shape(kind, kind == BoardKind::Uhid ? "read-uhid" : "read-gadget");
    const auto board = make(s);
    ASSERT_TRUE(board);
    const std::string path = bench->pathOf(s, *board);
    ASSERT_FALSE(path.empty()) << "the backend never showed " << board->node();
    const HidHandle reader = platform.open(path, OpenMode::Overlapped, security);
    ASSERT_NE(reader, kNoHandle);

    Bytes got;
    EXPECT_EQ(read(reader, got).outcome, ReadOutcome::NothingQueued);
    const Bytes one(16, 0x5A);
    ASSERT_TRUE(board->input(one));
    ASSERT_EQ(readUntil(reader, got, ReadOutcome::Reports).outcome, ReadOutcome::Reports);
    // Unnumbered: each report comes with report ID 0 in front.
    EXPECT_EQ(got, Bytes{0} + one);

    Bytes three;
    for (std::uint8_t r = 1; r <= 3; ++r) {
        const Bytes report(16, static_cast<std::uint8_t>(0x10 * r));
        ASSERT_TRUE(board->input(report));
        three = three + Bytes{0} + report;
    }
    // All three queued before one read takes them, back to back, in order.
    std::this_thread::sleep_for(bench->queueing());
    ASSERT_EQ(read(reader, got).outcome, ReadOutcome::Reports);
    EXPECT_EQ(got, three);
    EXPECT_EQ(read(reader, got).outcome, ReadOutcome::NothingQueued);

    ASSERT_TRUE(board->unplug());
    EXPECT_EQ(readUntil(reader, got, ReadOutcome::Failed).outcome, ReadOutcome::Failed);
    EXPECT_EQ(read(reader, got).outcome, ReadOutcome::Failed);
    EXPECT_TRUE(platform.close(reader));
}

INSTANTIATE_TEST_SUITE_P(Boards, BackendContract,
                         testing::Values(BoardKind::Uhid, BoardKind::Gadget),
                         [](const testing::TestParamInfo<BoardKind>& info) {
                             return info.param == BoardKind::Uhid ? "Uhid" : "Gadget";
                         });

TEST_F(BackendContractUhid, AFeatureReplyCountsOnlyWhenItIsWhole) {
    const TestBoardShape s = shape(BoardKind::Uhid, "short");
    const auto board = make(s);
    ASSERT_TRUE(board);
    const std::string path = bench->pathOf(s, *board);
    ASSERT_FALSE(path.empty());
    const HidHandle handle = platform.open(path, OpenMode::Synchronous, security);
    ASSERT_NE(handle, kNoHandle);
    const Bytes request = frame({0x00, 0xE0, 0x00, 0x05});
    ASSERT_TRUE(platform.setFeature(handle, request.data(), kFeature));
    struct Row {
        std::size_t replied;
        bool whole;
    };
    for (const Row& row :
         {Row{65, true}, Row{64, false}, Row{17, false}, Row{2, false}, Row{1, false}}) {
        if (row.replied == kFeature - 1 && !bench->seesOneByteMissing())
            continue;
        ASSERT_TRUE(board->shortReplies(row.replied));
        Bytes reply(kFeature, 0);
        EXPECT_EQ(platform.getFeature(handle, reply.data(), kFeature), row.whole) << row.replied;
    }
    EXPECT_TRUE(platform.close(handle));
}

TEST_F(BackendContractUhid, TheLinkListsOnlyOurBoardsAndClosesEverythingItOpens) {
    const TestBoardShape foreignShape = shape(BoardKind::Uhid, "foreign", kForeignVendor);
    const TestBoardShape oursShape = shape(BoardKind::Uhid, "link");
    const auto foreign = make(foreignShape);
    const auto ours = make(oursShape);
    ASSERT_TRUE(foreign && ours);
    const std::string path = bench->pathOf(oursShape, *ours);
    ASSERT_FALSE(path.empty());

    // Counted through the debug log every open and close passes.
    int opens = 0;
    int closes = 0;
    setHidLogSink([&](std::string_view line) {
        opens += line.rfind("open ", 0) == 0 && line.find(" -> handle ") != std::string::npos;
        closes += line.rfind("close handle ", 0) == 0 && line.find(" ok") != std::string::npos;
    });
    LoggingHidPlatform logged(platform);
    FakeSerialList serNo;
    DeviceLink link(logged, serNo);
    link.Scan_USB_devices();
    // The foreign board has a Kestro product ID, but not the vendor.
    EXPECT_EQ(std::count(serNo.items.begin(), serNo.items.end(), foreignShape.serial), 0);
    const auto listed = std::find(serNo.items.begin(), serNo.items.end(), oursShape.serial);
    ASSERT_NE(listed, serNo.items.end());
    serNo.selected = static_cast<int>(listed - serNo.items.begin());
    ASSERT_TRUE(link.FindTheHid());
    EXPECT_EQ(link.devicePath, path);
    EXPECT_EQ(link.deviceCapabilities.InputReportByteLength, kInput);
    EXPECT_EQ(link.deviceCapabilities.FeatureReportByteLength, kFeature);
    EXPECT_NE(link.readEvent, 0);
    Bytes buffer(1000);
    EXPECT_EQ(link.ReadInputReports(buffer.data(), 1000).outcome, ReadOutcome::NothingQueued);
    ASSERT_TRUE(ours->input(Bytes(16, 0x5A)));
    ReadResult result;
    waitUntil([&] {
        return (result = link.ReadInputReports(buffer.data(), 1000)).outcome ==
               ReadOutcome::Reports;
    });
    EXPECT_EQ(result.outcome, ReadOutcome::Reports);
    EXPECT_EQ(result.count, kInput);
    link.CloseBoard();
    setHidLogSink({});
    EXPECT_GT(opens, 2);
    EXPECT_EQ(opens, closes);
    EXPECT_TRUE(foreign->sets().empty());
    EXPECT_TRUE(foreign->gets().empty());
}

} // namespace
} // namespace kestro::test
