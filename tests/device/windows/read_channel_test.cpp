// The Windows read channel's rules against a scripted driver: one report per
// read, a read with nothing queued stays outstanding and completes later into
// the memory it was given, and close waits for the cancellation.
#include "windows/read_channel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace kestro::windows_hid {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kReport = 17;

Bytes report(std::uint8_t tag) {
    Bytes bytes(kReport, tag);
    bytes[0] = 0;
    return bytes;
}

// A driver queue. Each start takes the next queued report, or stays pending
// when there is none; a report that arrives while a read is pending goes
// into that read's slot, as the driver would write it.
class ScriptedPort final : public ReadPort {
public:
    PortResult start(std::uint8_t* slot, std::uint32_t size) override {
        ++starts;
        EXPECT_FALSE(pendingSlot) << "a second read started while one is outstanding";
        if (slots.empty() || slots.back() != slot)
            slots.push_back(slot);
        if (gone)
            return {PortStatus::Failed, 0};
        if (queue.empty()) {
            pendingSlot = slot;
            pendingSize = size;
            return {PortStatus::Pending, 0};
        }
        return complete(slot, size);
    }
    PortResult poll() override {
        EXPECT_TRUE(pendingSlot);
        if (gone) {
            pendingSlot = nullptr;
            return {PortStatus::Failed, 0};
        }
        if (!finished)
            return {PortStatus::Pending, 0};
        finished = false;
        const std::uint32_t bytes = finishedBytes;
        pendingSlot = nullptr;
        return {PortStatus::Completed, bytes};
    }
    void cancelAndWait() override {
        ++cancels;
        pendingSlot = nullptr;
    }

    // A report arrives from the board.
    void arrive(const Bytes& bytes) {
        if (pendingSlot && !finished) {
            std::memcpy(pendingSlot, bytes.data(),
                        std::min<std::size_t>(bytes.size(), pendingSize));
            finished = true;
            finishedBytes = static_cast<std::uint32_t>(bytes.size());
            return;
        }
        queue.push_back(bytes);
    }

    std::deque<Bytes> queue;
    bool gone = false;
    int starts = 0;
    int cancels = 0;
    std::vector<std::uint8_t*> slots;
    std::uint8_t* pendingSlot = nullptr;

private:
    PortResult complete(std::uint8_t* slot, std::uint32_t size) {
        const Bytes next = queue.front();
        queue.pop_front();
        const std::uint32_t bytes = std::min<std::uint32_t>(size, next.size());
        std::memcpy(slot, next.data(), bytes);
        return {PortStatus::Completed, bytes};
    }

    std::uint32_t pendingSize = 0;
    bool finished = false;
    std::uint32_t finishedBytes = 0;
};

struct Read {
    ReadOutcome outcome;
    Bytes bytes;
};

class ReadChannelTest : public testing::Test {
protected:
    Read read(std::uint32_t length = 1000) {
        Bytes buffer(length, 0xEE);
        const ReadResult result = channel.read(buffer.data(), length);
        buffer.resize(result.count);
        return {result.outcome, buffer};
    }

    static Bytes joined(std::initializer_list<std::uint8_t> tags) {
        Bytes all;
        for (std::uint8_t tag : tags) {
            const Bytes one = report(tag);
            all.insert(all.end(), one.begin(), one.end());
        }
        return all;
    }

    ScriptedPort port;
    ReadChannel channel{port, kReport};
};

TEST_F(ReadChannelTest, QueuedReportsComeBackNewestLastWithinTheRoomGiven) {
    struct Row {
        const char* name;
        std::vector<std::uint8_t> queued;
        std::uint32_t length;
        Bytes expected;
    };
    const Row rows[] = {
        {"one", {1}, 1000, joined({1})},
        {"three", {1, 2, 3}, 1000, joined({1, 2, 3})},
        // Two fit: the oldest gives way, and the partial room stays unused.
        {"more than fit", {1, 2, 3, 4}, 2 * kReport + 10, joined({3, 4})},
        {"exactly one fits", {5, 6}, kReport, joined({6})},
    };
    for (const Row& row : rows) {
        ScriptedPort fresh;
        ReadChannel c(fresh, kReport);
        for (std::uint8_t tag : row.queued)
            fresh.arrive(report(tag));
        Bytes buffer(row.length, 0xEE);
        const ReadResult result = c.read(buffer.data(), row.length);
        EXPECT_EQ(result.outcome, ReadOutcome::Reports) << row.name;
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + result.count), row.expected) << row.name;
        // Bytes past what was handed back are not touched.
        for (std::size_t i = result.count; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0xEE) << row.name;
        // Everything was drained; the read that found the queue empty waits.
        EXPECT_TRUE(fresh.queue.empty()) << row.name;
        EXPECT_TRUE(c.outstanding()) << row.name;
    }
}

TEST_F(ReadChannelTest, PendingReadKeepsItsSlotAndIsTakenOnTheNextCall) {
    EXPECT_EQ(read().outcome, ReadOutcome::NothingQueued);
    ASSERT_TRUE(channel.outstanding());
    // Still nothing: the same read stays outstanding, no second one starts.
    EXPECT_EQ(read().outcome, ReadOutcome::NothingQueued);
    EXPECT_EQ(port.starts, 1);

    // The board reports; the driver completes the old read into its slot,
    // long after the call that started it returned.
    port.arrive(report(7));
    port.arrive(report(8));
    const Read next = read();
    EXPECT_EQ(next.outcome, ReadOutcome::Reports);
    EXPECT_EQ(next.bytes, joined({7, 8}));
    // Every read went into the one slot the channel owns.
    EXPECT_EQ(port.slots.size(), 1u);
}

TEST_F(ReadChannelTest, FailuresAndShutdown) {
    // Gone with nothing read: failed at once.
    port.gone = true;
    EXPECT_EQ(read().outcome, ReadOutcome::Failed);

    // Gone while a read is outstanding: failed.
    ScriptedPort waiting;
    ReadChannel pendingChannel(waiting, kReport);
    Bytes buffer(1000);
    EXPECT_EQ(pendingChannel.read(buffer.data(), 1000).outcome, ReadOutcome::NothingQueued);
    waiting.gone = true;
    EXPECT_EQ(pendingChannel.read(buffer.data(), 1000).outcome, ReadOutcome::Failed);

    // Reports first, then the board is gone: the reports now, the failure
    // on the next call.
    ScriptedPort late;
    late.arrive(report(1));
    late.arrive(report(2));
    // The driver fails the read that follows the queued reports.
    struct FailAfterQueue final : ReadPort {
        ScriptedPort& inner;
        explicit FailAfterQueue(ScriptedPort& p) : inner(p) {}
        PortResult start(std::uint8_t* slot, std::uint32_t size) override {
            if (inner.queue.empty())
                inner.gone = true;
            return inner.start(slot, size);
        }
        PortResult poll() override { return inner.poll(); }
        void cancelAndWait() override { inner.cancelAndWait(); }
    } failing(late);
    ReadChannel lossChannel(failing, kReport);
    const ReadResult result = lossChannel.read(buffer.data(), 1000);
    EXPECT_EQ(result.outcome, ReadOutcome::Reports);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + result.count), joined({1, 2}));
    EXPECT_EQ(lossChannel.read(buffer.data(), 1000).outcome, ReadOutcome::Failed);

    // Less than one report of room never reaches the driver.
    ScriptedPort idle;
    ReadChannel small(idle, kReport);
    EXPECT_EQ(small.read(buffer.data(), kReport - 1).outcome, ReadOutcome::Failed);
    EXPECT_EQ(small.read(nullptr, 1000).outcome, ReadOutcome::Failed);
    EXPECT_EQ(idle.starts, 0);
}

TEST_F(ReadChannelTest, ShutdownCancelsOnlyAnOutstandingReadAndWaitsOnce) {
    channel.shutdown();
    EXPECT_EQ(port.cancels, 0);
    EXPECT_EQ(read().outcome, ReadOutcome::NothingQueued);
    channel.shutdown();
    EXPECT_EQ(port.cancels, 1);
    EXPECT_FALSE(channel.outstanding());
    channel.shutdown();
    EXPECT_EQ(port.cancels, 1);

    // Destroying a channel with a read outstanding cancels it too.
    ScriptedPort other;
    {
        ReadChannel c(other, kReport);
        Bytes buffer(1000);
        c.read(buffer.data(), 1000);
    }
    EXPECT_EQ(other.cancels, 1);
}

TEST_F(ReadChannelTest, ShortCompletionKeepsItsSlotWidthWithZeros) {
    port.arrive(Bytes{0, 9, 9});
    const Read got = read();
    ASSERT_EQ(got.outcome, ReadOutcome::Reports);
    Bytes expected(kReport, 0);
    expected[1] = 9;
    expected[2] = 9;
    EXPECT_EQ(got.bytes, expected);
}

TEST_F(ReadChannelTest, AFloodingBoardCannotKeepOneCallBusy) {
    for (std::uint32_t i = 0; i < ReadChannel::kMaxReadsPerCall + 5; ++i)
        port.arrive(report(static_cast<std::uint8_t>(i)));
    const Read got = read();
    EXPECT_EQ(got.outcome, ReadOutcome::Reports);
    EXPECT_EQ(port.starts, static_cast<int>(ReadChannel::kMaxReadsPerCall));
    EXPECT_EQ(port.queue.size(), 5u);
}

} // namespace
} // namespace kestro::windows_hid
