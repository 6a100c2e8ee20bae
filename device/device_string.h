// The buffers device strings are requested into, and how they are decoded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

// 201 bytes, of which only the first 100 are ever offered to a request, so the
// rest stays zero and a decode always finds a terminator.
struct DeviceStringBuffer {
    static constexpr std::uint32_t kOffered = 100;
    std::array<std::uint8_t, 201> bytes{};

    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }
};

// Low byte of each UTF-16LE code unit up to the first zero byte, at most 50
// characters; each byte is one character of an 8-bit code page (Latin-1 here).
std::string decodeDeviceString(const std::uint8_t* buffer, std::size_t size);
inline std::string decodeDeviceString(const DeviceStringBuffer& buffer) {
    return decodeDeviceString(buffer.data(), buffer.bytes.size());
}

// The inverse, for backends that get their strings as UTF-8 and tests: encodes
// as UTF-16LE into buffer, zero terminated when room is left, at most length
// bytes. Characters beyond U+FFFF become replacement characters.
void encodeUtf16le(const std::u16string& text, std::uint8_t* buffer, std::uint32_t length);
std::u16string utf8ToUtf16(const std::string& utf8);

} // namespace kestro
