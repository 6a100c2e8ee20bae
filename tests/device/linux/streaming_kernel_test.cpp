// What a board that sends the same report at every USB poll costs the read
// side: the drain thread and one read per poll tick, as CPU time per 1,000
// reports and beside the same time with the board quiet. The figures are
// printed and recorded for people to compare between builds; on a shared,
// emulated machine they are no pass/fail. What is checked is what the user
// sees: the read after the stream ends with the last report the board sent.
// Inside hid-vm as root; anywhere else the test skips.
#include "board_descriptors.h"
#include "kestro_ids.h"
#include "linux/linux_hid_platform.h"
#include "paced_clock.h"
#include "tests/support/guest_guards.h"
#include "uhid_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kestro {
namespace {

using test::Bytes;

constexpr int kRounds = 5;
constexpr int kReportsPerRound = 3000;
constexpr long kStreamHz = 1000;
constexpr int kTickMs = 50;

double secondsOn(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Reader {
    LinuxHidPlatform& platform;
    HidHandle handle;
    Bytes buffer = Bytes(1000);
    Overlapped overlapped{};
    ReadResult last{};

    // One poll tick's read, then the rest of the tick.
    void tick() {
        const ReadResult result =
            platform.readInputReports(handle, buffer.data(), 1000, overlapped);
        if (result.outcome == ReadOutcome::Reports)
            last = result;
        ::usleep(kTickMs * 1000);
    }
    std::uint8_t newestFirstButtonByte() const {
        return last.count >= 17 ? buffer[last.count - 16] : 0;
    }
};

// The board's reports come from a thread of the test's own; its CPU time,
// the kernel's work for each report included, is taken out of the figure.
struct Streamer {
    test::UhidBoard& board;
    std::atomic<bool> done{false};
    double ownCpu = 0;
    std::thread thread;

    explicit Streamer(test::UhidBoard& b) : board(b) {
        thread = std::thread([this] { run(); });
    }
    ~Streamer() { thread.join(); }
    Streamer(const Streamer&) = delete;
    Streamer& operator=(const Streamer&) = delete;
    void run() {
        const double start = secondsOn(CLOCK_THREAD_CPUTIME_ID);
        test::PacedClock clock(kStreamHz);
        Bytes report(16, 0);
        for (int n = 1; n <= kReportsPerRound; ++n) {
            // The last one presses button 1: it must be what the read shows.
            report[0] = n == kReportsPerRound ? 0x01 : 0x00;
            board.input(report);
            clock.waitForNextPeriod();
        }
        ownCpu = secondsOn(CLOCK_THREAD_CPUTIME_ID) - start;
        done = true;
    }
};

TEST(StreamingBoardOnKernel, CpuPerThousandReportsBesideAQuietBoard) {
    KESTRO_SKIP_WITHOUT_UHID();
    test::UhidBoard board(
        {"stream", "KU-stream", KESTRO_VENDOR_ID, 0x1140, 0x0110, test::kUnnumbered});
    ASSERT_TRUE(board.created());
    LinuxHidPlatform platform;
    const HidHandle handle = platform.open(board.node(), OpenMode::Overlapped, {});
    ASSERT_NE(handle, kNoHandle);
    Reader reader{platform, handle};

    std::vector<double> perThousand;
    std::vector<double> ratio;
    for (int round = 0; round < kRounds; ++round) {
        // Streaming: the program's CPU time per 1,000 reports and per second.
        double wall = secondsOn(CLOCK_MONOTONIC);
        double cpu = secondsOn(CLOCK_PROCESS_CPUTIME_ID);
        double streamerCpu = 0;
        {
            Streamer streamer(board);
            while (!streamer.done)
                reader.tick();
            streamerCpu = streamer.ownCpu;
        }
        reader.tick();
        const double streamSeconds = secondsOn(CLOCK_MONOTONIC) - wall;
        const double streamCpu = secondsOn(CLOCK_PROCESS_CPUTIME_ID) - cpu - streamerCpu;
        EXPECT_EQ(reader.newestFirstButtonByte(), 0x01) << "round " << round;

        // Quiet: the same ticks for as long, with nothing sent.
        wall = secondsOn(CLOCK_MONOTONIC);
        cpu = secondsOn(CLOCK_PROCESS_CPUTIME_ID);
        while (secondsOn(CLOCK_MONOTONIC) - wall < streamSeconds)
            reader.tick();
        const double quietCpu = secondsOn(CLOCK_PROCESS_CPUTIME_ID) - cpu;

        perThousand.push_back(1000 * streamCpu * 1000 / kReportsPerRound);
        ratio.push_back(quietCpu > 0 ? streamCpu / quietCpu : 0);
        std::printf("round %d: %.0f reports/s, %.2f ms CPU per 1,000 reports, %.2f x quiet\n",
                    round + 1, kReportsPerRound / streamSeconds, perThousand.back(), ratio.back());
    }
    const double cpuMs = median(perThousand);
    const double times = median(ratio);
    std::printf("median: %.2f ms CPU per 1,000 reports at 1 kHz, %.2f x a quiet open board\n",
                cpuMs, times);
    RecordProperty("cpu_ms_per_1000_reports", std::to_string(cpuMs));
    RecordProperty("ratio_to_quiet_board", std::to_string(times));
    EXPECT_TRUE(platform.close(handle));
}

} // namespace
} // namespace kestro
