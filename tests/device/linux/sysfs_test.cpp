// What the backend parses out of sysfs and usbfs comes from the kernel and
// the board; malformed text must be refused, never half-read.
#include "linux/sysfs.h"
#include "linux/usb_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestro::linux_hid {
namespace {

TEST(HidrawNumber, AcceptsOnlyHidrawNodes) {
    struct Row {
        const char* path;
        std::optional<unsigned> expected;
    };
    const Row rows[] = {
        {"/dev/hidraw0", 0u},
        {"/dev/hidraw17", 17u},
        {"/dev/hidraw", std::nullopt},
        {"/dev/hidraw01", std::nullopt},
        {"/dev/hidraw-1", std::nullopt},
        {"/dev/hidraw1/", std::nullopt},
        {"/dev/hidraw1x", std::nullopt},
        {"/dev/sda", std::nullopt},
        {"hidraw1", std::nullopt},
        {"/tmp/../dev/hidraw1", std::nullopt},
        {"/dev/hidraw9999999", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(hidrawNumber(row.path), row.expected) << row.path;
}

TEST(ParseHidId, ReadsBusVendorProduct) {
    const auto id = parseHidId("0003:00003A4F:00001140");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->bus, 3u);
    EXPECT_EQ(id->vendor, 0x3A4F);
    EXPECT_EQ(id->product, 0x1140);
}

TEST(ParseHidId, RefusesMalformed) {
    for (const char* text : {"", "0003:00003A4F", "0003:00013A4F:00001140", "0003:3A4F:1140x",
                             "0003::1140", "0003:-1:1140", "0003:3A4F:1140\n"})
        EXPECT_FALSE(parseHidId(text)) << text;
}

TEST(ParseNumbers, HexAttributes) {
    EXPECT_EQ(parseHex16("0110\n"), 0x0110);
    EXPECT_EQ(parseHex16("ffff"), 0xFFFF);
    EXPECT_EQ(parseHex16("10000"), std::nullopt);
    EXPECT_EQ(parseHex16(""), std::nullopt);
    EXPECT_EQ(parseHex16("01 10"), std::nullopt);
}

TEST(SerialNumberIndex, ReadOnlyFromAWholeDeviceDescriptor) {
    // A device descriptor as sysfs shows it, with iSerialNumber 3, and a
    // configuration descriptor after it.
    std::string device = {0x12, 0x01, 0x00, 0x02, 0,    0, 0, 0x40, 0x4F,
                          0x3A, 0x44, 0x11, 0x10, 0x01, 1, 2, 3,    1};
    const std::string withConfig = device + std::string{0x09, 0x02, 0x22, 0};
    struct Row {
        const char* name;
        std::string bytes;
        std::optional<std::uint8_t> expected;
    };
    const Row rows[] = {
        {"with serial string", withConfig, 3},
        {"device descriptor alone", device, 3},
        {"no serial string", std::string(device).replace(16, 1, 1, '\0'), 0},
        {"cut short", device.substr(0, 17), std::nullopt},
        {"wrong length byte", std::string(device).replace(0, 1, 1, 0x09), std::nullopt},
        {"wrong type", std::string(device).replace(1, 1, 1, 0x02), std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(serialNumberIndex(row.bytes), row.expected) << row.name;
}

TEST(StringDescriptor, ValidatedAgainstWhatWasReceived) {
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::optional<std::u16string> expected;
    };
    const Row rows[] = {
        {"plain", {6, 3, 'K', 0, 'e', 0}, u"Ke"},
        {"empty string", {2, 3}, u""},
        {"longer than received", {8, 3, 'K', 0, 'e', 0}, std::nullopt},
        {"odd length", {5, 3, 'K', 0, 'e'}, std::nullopt},
        {"wrong type", {4, 2, 'K', 0}, std::nullopt},
        {"length below header", {0, 3}, std::nullopt},
        {"one byte", {4}, std::nullopt},
        {"received beyond bLength ignored", {4, 3, 'K', 0, 'x', 0}, u"K"},
        {"non-ASCII unit", {4, 3, 0xAC, 0x20}, u"\u20AC"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(decodeStringDescriptor(row.bytes.data(), row.bytes.size()), row.expected)
            << row.name;
    EXPECT_FALSE(decodeStringDescriptor(nullptr, 10));
}

} // namespace
} // namespace kestro::linux_hid
