#include "device_string.h"
#include "identity.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

std::string roundTrip(const std::u16string& text) {
    DeviceStringBuffer buffer;
    encodeUtf16le(text, buffer.data(), DeviceStringBuffer::kOffered);
    return decodeDeviceString(buffer);
}

TEST(DeviceString, DecodesLowBytesUpToTheFirstZero) {
    EXPECT_EQ(roundTrip(u"K0001"), "K0001");
    EXPECT_EQ(roundTrip(u""), "");
    EXPECT_EQ(roundTrip(u"\u00E9t\u00E9"), "\xE9t\xE9");
    EXPECT_EQ(roundTrip(u"a\u0100b"), "a");
    EXPECT_EQ(roundTrip(u"a\u0161b"), "aab");
}

TEST(DeviceString, AFullBufferWithoutTerminatorStopsAtFiftyCharacters) {
    DeviceStringBuffer buffer;
    encodeUtf16le(std::u16string(80, u'x'), buffer.data(), DeviceStringBuffer::kOffered);
    EXPECT_EQ(buffer.bytes[100], 0);
    EXPECT_EQ(decodeDeviceString(buffer), std::string(50, 'x'));
}

TEST(DeviceString, DecodeNeverReadsPastTheGivenSize) {
    const std::uint8_t bytes[] = {'a', 0, 'b', 0, 'c'};
    EXPECT_EQ(decodeDeviceString(bytes, 4), "ab");
    EXPECT_EQ(decodeDeviceString(bytes, 5), "abc");
}

TEST(DeviceString, EncodeNeverWritesPastTheOfferedLength) {
    std::uint8_t bytes[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    encodeUtf16le(u"abcdef", bytes, 5);
    EXPECT_EQ(bytes[4], 0xAA);
    EXPECT_EQ(bytes[3], 0);
}

TEST(DeviceString, Utf8ConversionReplacesWhatItCannotCarry) {
    EXPECT_EQ(utf8ToUtf16("Kestro"), u"Kestro");
    EXPECT_EQ(utf8ToUtf16("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(utf8ToUtf16("\xE2\x82\xAC"), u"\u20AC");
    EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), u"\uFFFD");
    EXPECT_EQ(utf8ToUtf16("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xFF"
                          "b"),
              u"\uFFFDb");
}

TEST(Identity, NameTestNeedsAllSixCharacters) {
    const std::uint8_t name[] = {'K', 0, 'e', 0, 's', 0, 't', 0, 'r', 0, 'o', 0};
    EXPECT_TRUE(nameBeginsWithKestro(name, sizeof name));
    EXPECT_FALSE(nameBeginsWithKestro(name, sizeof name - 1));
}

} // namespace
} // namespace kestro
