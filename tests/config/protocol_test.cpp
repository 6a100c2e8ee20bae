#include "config/protocol.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

Frame expected(std::initializer_list<std::uint8_t> head, std::size_t length) {
    Frame bytes(length, 0);
    std::size_t i = 0;
    for (auto b : head)
        bytes[i++] = b;
    return bytes;
}

TEST(Frames, AreExactlyTheFeatureLengthWithZerosAfterTheHead) {
    EXPECT_EQ(readSettingsFrame(65), expected({0x00, 0xE0, 0x00, 0x05}, 65));
    EXPECT_EQ(selfTestFrame(9), expected({0x00, 0xE1}, 9));
    EXPECT_EQ(writeSettingFrame(4, 0x3E, 0x08), expected({0x00, 0xEE, 0x3E, 0x08}, 4));
    EXPECT_EQ(writeSettingFrame(200, 0x20, 0x00), expected({0x00, 0xEE, 0x20, 0x00}, 200));
}

TEST(Frames, CannotBeBuiltForFeatureReportsShorterThanFourBytes) {
    for (std::size_t length : {0, 1, 3})
        EXPECT_TRUE(writeSettingFrame(length, 0x20, 2).empty()) << length;
}

TEST(Addresses, FollowTheSettingsMap) {
    EXPECT_EQ(encoderModeAddress(1), 0x20);
    EXPECT_EQ(encoderModeAddress(5), 0x28);
    EXPECT_EQ(encoderModeAddress(16), 0x3E);
}

TEST(Encodings, EncoderModeBothWays) {
    const std::pair<int, std::uint8_t> written[] = {{-1, 0}, {0, 0}, {1, 2},
                                                    {2, 4},  {3, 8}, {8, 0}};
    for (auto [index, value] : written)
        EXPECT_EQ(encodeEncoderMode(index), value) << index;
    const std::pair<std::uint8_t, int> read[] = {{0x0E, 3}, {0x06, 2}, {0x03, 1}, {0x01, 0},
                                                 {0xF0, 0}, {0x0A, 3}, {0x10, 0}, {0x08, 3}};
    for (auto [value, index] : read)
        EXPECT_EQ(decodeEncoderMode(value), index) << int(value);
}

TEST(Encodings, PulseWidthBothWays) {
    EXPECT_EQ(encodePulseWidth(0), 1);
    EXPECT_EQ(encodePulseWidth(24), 25);
    EXPECT_EQ(encodePulseWidth(-1), 0);
    EXPECT_EQ(decodePulseWidth(1), 0);
    EXPECT_EQ(decodePulseWidth(6), 5);
    EXPECT_EQ(decodePulseWidth(25), 24);
    EXPECT_EQ(decodePulseWidth(0), -1);
    EXPECT_EQ(decodePulseWidth(26), std::nullopt);
}

TEST(Encodings, RotaryStartBothWays) {
    EXPECT_EQ(encodeRotaryStart(0), 255);
    EXPECT_EQ(encodeRotaryStart(1), 1);
    EXPECT_EQ(encodeRotaryStart(32), 32);
    EXPECT_EQ(decodeRotaryStart(255), 0);
    EXPECT_EQ(decodeRotaryStart(0), 0);
    EXPECT_EQ(decodeRotaryStart(1), 1);
    EXPECT_EQ(decodeRotaryStart(32), 32);
    EXPECT_EQ(decodeRotaryStart(33), std::nullopt);
    EXPECT_EQ(decodeRotaryStart(254), std::nullopt);
}

TEST(Encodings, RotaryPulsesUseBitZero) {
    EXPECT_EQ(encodeRotaryPulses(1), 1);
    EXPECT_EQ(encodeRotaryPulses(0), 0);
    EXPECT_EQ(decodeRotaryPulses(0x03), 1);
    EXPECT_EQ(decodeRotaryPulses(0x02), 0);
}

TEST(Blocks, AreParsedOnlyWhenTheReplyCarriesThem) {
    Frame general = expected({0x00, 0x40, 25}, 17);
    general[15] = 0x01;
    general[16] = 255;
    const auto parsed = parseGeneralBlock(general.data(), general.size());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->delayIndex, 24);
    EXPECT_EQ(parsed->rotaryPulse, 1);
    EXPECT_EQ(parsed->rotStartIndex, 0);
    EXPECT_FALSE(parseGeneralBlock(general.data(), 16).has_value());
    EXPECT_FALSE(parseEncoderBlock(general.data(), general.size()).has_value());

    Frame encoders = expected({0x00, 0x20}, 33);
    encoders[2] = 0x02;
    encoders[32] = 0x08;
    const auto modes = parseEncoderBlock(encoders.data(), encoders.size());
    ASSERT_TRUE(modes.has_value());
    EXPECT_EQ((*modes)[0], 1);
    EXPECT_EQ((*modes)[15], 3);
    EXPECT_FALSE(parseEncoderBlock(encoders.data(), 32).has_value());
}

} // namespace
} // namespace kestro
