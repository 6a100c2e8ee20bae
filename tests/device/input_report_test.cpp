#include "input_report.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestro {
namespace {

// Reports of the given length whose first button byte is the marker.
std::vector<std::uint8_t> reports(std::initializer_list<std::uint8_t> markers, std::size_t length) {
    std::vector<std::uint8_t> bytes;
    for (std::uint8_t marker : markers) {
        std::vector<std::uint8_t> report(length, 0);
        report[1] = marker;
        report[length - 1] = static_cast<std::uint8_t>(marker | 0x80);
        bytes.insert(bytes.end(), report.begin(), report.end());
    }
    return bytes;
}

TEST(NewestButtonBytes, TakesTheLastWholeReport) {
    for (auto markers : {std::vector<std::uint8_t>{1}, {1, 2}, {1, 2, 3}}) {
        std::vector<std::uint8_t> bytes;
        for (auto m : markers) {
            auto one = reports({m}, 17);
            bytes.insert(bytes.end(), one.begin(), one.end());
        }
        const auto newest =
            newestButtonBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 17);
        ASSERT_TRUE(newest.has_value()) << markers.size() << " reports";
        EXPECT_EQ((*newest)[0], markers.back());
        EXPECT_EQ((*newest)[15], markers.back() | 0x80);
    }
}

TEST(NewestButtonBytes, LessThanOneReportGivesNothing) {
    const auto bytes = reports({1}, 17);
    EXPECT_FALSE(newestButtonBytes(bytes.data(), 16, 17).has_value());
    EXPECT_FALSE(newestButtonBytes(bytes.data(), 0, 17).has_value());
    EXPECT_FALSE(newestButtonBytes(bytes.data(), 17, 0).has_value());
}

TEST(NewestButtonBytes, ButtonsAShortReportDoesNotCarryReadReleased) {
    const auto bytes = reports({0x11, 0x22}, 9);
    const auto newest =
        newestButtonBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 9);
    ASSERT_TRUE(newest.has_value());
    EXPECT_EQ((*newest)[0], 0x22);
    EXPECT_EQ((*newest)[7], 0x22 | 0x80);
    for (int i = 8; i < kButtonBytes; ++i)
        EXPECT_EQ((*newest)[i], 0) << i;
}

TEST(NewestButtonBytes, LongerReportsIgnoreTheirTail) {
    auto bytes = reports({0x05}, 64);
    bytes[20] = 0xFF;
    const auto newest = newestButtonBytes(bytes.data(), 64, 64);
    ASSERT_TRUE(newest.has_value());
    EXPECT_EQ((*newest)[0], 0x05);
    EXPECT_EQ((*newest)[15], 0);
}

} // namespace
} // namespace kestro
