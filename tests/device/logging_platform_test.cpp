#include "hid_log.h"
#include "logging_platform.h"
#include "sim/sim_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

class LoggingPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        setHidLogSink([this](std::string_view line) { lines.emplace_back(line); });
    }
    void TearDown() override { setHidLogSink({}); }

    bool logged(const std::string& part) const {
        for (const auto& line : lines)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    sim::SimPlatform sim;
    LoggingHidPlatform platform{sim};
    std::vector<std::string> lines;
};

TEST_F(LoggingPlatformTest, LogsReportsInHexBothWays) {
    const auto id = sim.plug(sim::saneBoard());
    const HidHandle handle = platform.open(sim::SimPlatform::pathOf(id), OpenMode::Synchronous, {});
    std::vector<std::uint8_t> frame(65, 0);
    frame[1] = 0xEE;
    frame[2] = 0x28;
    frame[3] = 0x04;
    ASSERT_TRUE(platform.setFeature(handle, frame.data(), 65));
    EXPECT_TRUE(logged("set feature handle " + std::to_string(handle) + " [65] 00 ee 28 04 00"));

    sim.queueInputReport(id, sim::buttonReport({0x81}));
    const HidHandle reader = platform.open(sim::SimPlatform::pathOf(id), OpenMode::Overlapped, {});
    std::uint8_t buffer[1000];
    Overlapped overlapped;
    platform.readInputReports(reader, buffer, sizeof buffer, overlapped);
    EXPECT_TRUE(logged("[17] 00 81 00"));

    platform.close(handle);
    EXPECT_TRUE(logged("close handle " + std::to_string(handle) + " ok"));
}

TEST_F(LoggingPlatformTest, LogsRefusedOpens) {
    auto board = sim::saneBoard();
    board.fail.accessDenied = true;
    const auto id = sim.plug(board);
    EXPECT_EQ(platform.open(sim::SimPlatform::pathOf(id), OpenMode::Synchronous, {}), kNoHandle);
    EXPECT_TRUE(logged("refused: access denied"));
}

TEST_F(LoggingPlatformTest, SilentWhenSwitchedOff) {
    setHidLogSink({});
    const auto id = sim.plug(sim::saneBoard());
    platform.close(platform.open(sim::SimPlatform::pathOf(id), OpenMode::Synchronous, {}));
    EXPECT_TRUE(lines.empty());
}

} // namespace
} // namespace kestro
