// Golden descriptors for the report length walk: the lengths must be the ones
// Windows reports for the same descriptor, or the link would read a different
// report layout on each system.
#include "linux/report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestro {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes size8(std::uint8_t bits) {
    return {0x75, bits};
}
Bytes count8(std::uint8_t n) {
    return {0x95, n};
}
Bytes count16(std::uint16_t n) {
    return {0x96, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8)};
}
Bytes size32(std::uint32_t v) {
    return {0x77, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
Bytes count32(std::uint32_t v) {
    return {0x97, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
Bytes id(std::uint8_t n) {
    return {0x85, n};
}
const Bytes kInput = {0x81, 0x02};
const Bytes kOutput = {0x91, 0x02};
const Bytes kFeature = {0xB1, 0x02};
const Bytes kPush = {0xA4};
const Bytes kPop = {0xB4};
const Bytes kVendorCollection = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
const Bytes kEndCollection = {0xC0};

// 128 buttons in 16 bytes and a 64-byte feature report, no report IDs.
const Bytes kKestroLike = kVendorCollection + Bytes{0x05, 0x09, 0x19, 0x01, 0x29, 0x80} +
                          Bytes{0x15, 0x00, 0x25, 0x01} + size8(1) + count8(128) + kInput +
                          Bytes{0x09, 0x02} + size8(8) + count8(64) + kFeature + kEndCollection;

struct Case {
    const char* name;
    Bytes descriptor;
    ReportLengths expected;
};

std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

class ReportDescriptorGolden : public testing::TestWithParam<Case> {};

TEST_P(ReportDescriptorGolden, GivesWindowsLengths) {
    const Case& c = GetParam();
    const ReportLengths got = reportLengthsFromDescriptor(c.descriptor.data(), c.descriptor.size());
    EXPECT_EQ(got.input, c.expected.input);
    EXPECT_EQ(got.output, c.expected.output);
    EXPECT_EQ(got.feature, c.expected.feature);
    EXPECT_EQ(got.usesReportIds, c.expected.usesReportIds);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ReportDescriptorGolden,
    testing::Values(
        Case{"KestroLike", kKestroLike, {17, 0, 65, false}}, Case{"Empty", {}, {0, 0, 0, false}},
        Case{"BitsRoundUpToBytes", size8(1) + count8(3) + kInput, {2, 0, 0, false}},
        Case{"ItemsOfOneReportAddUp",
             size8(1) + count8(3) + kInput + count8(5) + kInput + count8(1) + kInput,
             {3, 0, 0, false}},
        Case{"LargestReportIdWinsPerType",
             id(1) + size8(8) + count8(8) + kInput + count8(4) + kOutput + id(2) + count8(3) +
                 kInput + count8(20) + kOutput + id(3) + count8(32) + kFeature,
             {9, 21, 33, true}},
        Case{"ReportIdsCountedApart",
             // Two 6-byte inputs under different IDs are not one 12-byte report.
             id(1) + size8(8) + count8(6) + kInput + id(2) + kInput,
             {7, 0, 0, true}},
        Case{"PopRestoresSizeCountAndId",
             id(1) + size8(8) + count8(4) + kPush + id(2) + size8(16) + count8(10) + kFeature +
                 kPop + kInput,
             {5, 0, 21, true}},
        Case{"LongItemSkippedWithItsData",
             // The long item's data spells an Input item that must not count.
             size8(8) + count8(2) + Bytes{0xFE, 0x02, 0x10, 0x81, 0x02} + kOutput,
             {0, 3, 0, false}},
        Case{"TruncatedShortItemEndsWalk",
             size8(8) + count8(2) + kInput + Bytes{0x97, 0x01, 0x02},
             {3, 0, 0, false}},
        Case{"TruncatedMainItemNotCounted", size8(8) + count8(2) + Bytes{0x81}, {0, 0, 0, false}},
        Case{"TruncatedLongItemEndsWalk",
             size8(8) + count8(2) + kInput + Bytes{0xFE, 0x10, 0x00, 0x01, 0x02},
             {3, 0, 0, false}},
        Case{"HugeSizeTimesCountSaturates",
             size32(0xFFFFFFFF) + count32(0xFFFFFFFF) + kInput + kInput + kInput,
             {65535, 0, 0, false}},
        Case{"LengthJustBelowClamp", size8(8) + count16(65534) + kFeature, {0, 0, 65535, false}},
        Case{"LengthClampedToSixteenBits",
             size8(8) + count16(65535) + kFeature,
             {0, 0, 65535, false}},
        Case{"ReportIdZeroIgnored", id(0) + size8(8) + count8(4) + kInput, {5, 0, 0, false}},
        Case{"PopWithoutPushEndsWalk",
             size8(8) + count8(4) + kInput + kPop + count8(9) + kInput,
             {5, 0, 0, false}},
        Case{"ZeroBitReportIsNoReport", size8(8) + count8(0) + kInput + kOutput, {0, 0, 0, false}}),
    caseName);

TEST(ReportDescriptor, PushBeyondBoundEndsWalk) {
    Bytes descriptor = size8(8) + count8(4) + kInput;
    for (int i = 0; i < 1000; ++i)
        descriptor = descriptor + kPush;
    descriptor = descriptor + count8(50) + kInput;
    const ReportLengths got = reportLengthsFromDescriptor(descriptor.data(), descriptor.size());
    EXPECT_EQ(got.input, 5);
}

TEST(ReportDescriptor, NeverReadsPastGivenSize) {
    // The bytes past the size would declare a large input report.
    const Bytes descriptor = size8(8) + count8(4) + kInput + count8(200) + kInput;
    const std::size_t visible = size8(8).size() + count8(4).size() + kInput.size() + 2;
    const ReportLengths got = reportLengthsFromDescriptor(descriptor.data(), visible);
    EXPECT_EQ(got.input, 5);
    EXPECT_EQ(reportLengthsFromDescriptor(nullptr, 100).input, 0);
}

} // namespace
} // namespace kestro
