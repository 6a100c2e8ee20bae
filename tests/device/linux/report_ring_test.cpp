// The ring a read handle drains into: whatever came and however it wrapped,
// a read gets the newest whole reports that fit, oldest of them first.
#include "linux/report_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kestro::linux_hid {
namespace {

// Pushes reports numbered 1 … count, each filling its slot with its number.
void push(ReportRing& ring, int count) {
    for (int n = 1; n <= count; ++n) {
        std::uint8_t* slot = ring.nextSlot();
        for (std::uint32_t i = 0; i < ring.slot(); ++i)
            slot[i] = static_cast<std::uint8_t>(n);
        ring.commit();
    }
}

TEST(ReportRing, ReadGetsTheNewestWholeReportsThatFit) {
    struct Row {
        const char* what;
        std::uint32_t capacity;
        int pushed;
        std::uint32_t length; // bytes offered, slots of 3
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"nothing pushed", 4, 0, 12, {}},
        {"all fit", 4, 3, 12, {1, 2, 3}},
        {"room for two", 4, 3, 6, {2, 3}},
        {"part of a slot is no room", 4, 3, 8, {2, 3}},
        {"less than a slot", 4, 3, 2, {}},
        {"full ring", 4, 4, 12, {1, 2, 3, 4}},
        {"wrapped once, room for three", 4, 6, 9, {4, 5, 6}},
        {"wrapped, all kept", 4, 6, 30, {3, 4, 5, 6}},
        {"wrapped many times", 4, 103, 6, {102, 103}},
        {"one slot", 1, 5, 30, {5}},
    };
    for (const Row& row : rows) {
        ReportRing ring(3, row.capacity);
        push(ring, row.pushed);
        std::vector<std::uint8_t> buffer(row.length + 1, 0xEE);
        const std::uint32_t taken = ring.takeNewest(buffer.data(), row.length);
        ASSERT_EQ(taken, row.expected.size() * 3) << row.what;
        std::vector<std::uint8_t> wanted;
        for (int n : row.expected)
            wanted.insert(wanted.end(), 3, static_cast<std::uint8_t>(n));
        wanted.resize(buffer.size(), 0xEE);
        EXPECT_EQ(buffer, wanted) << row.what;
        // What did not fit was older than what was read: nothing is left.
        EXPECT_TRUE(ring.empty()) << row.what;
    }
}

} // namespace
} // namespace kestro::linux_hid
