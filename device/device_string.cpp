#include "device_string.h"

namespace kestro {

std::string decodeDeviceString(const std::uint8_t* buffer, std::size_t size) {
    constexpr std::size_t kMaxCharacters = 50;
    std::string text;
    for (std::size_t i = 0; i < size && text.size() < kMaxCharacters; i += 2) {
        if (buffer[i] == 0)
            break;
        text.push_back(static_cast<char>(buffer[i]));
    }
    return text;
}

void encodeUtf16le(const std::u16string& text, std::uint8_t* buffer, std::uint32_t length) {
    std::uint32_t at = 0;
    for (char16_t unit : text) {
        if (at + 2 > length)
            return;
        buffer[at++] = static_cast<std::uint8_t>(unit & 0xFF);
        buffer[at++] = static_cast<std::uint8_t>(unit >> 8);
    }
    if (at + 2 <= length) {
        buffer[at] = 0;
        buffer[at + 1] = 0;
    }
}

namespace {

// Length of the UTF-8 sequence that starts with lead, 0 for an invalid lead.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace

std::u16string utf8ToUtf16(const std::string& utf8) {
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::u16string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = sequenceLength(lead);
        bool valid = length != 0 && i + length <= utf8.size();
        char32_t cp = valid ? (lead & kLeadMask[length]) : 0;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!valid) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(cp > 0xFFFF ? u'\uFFFD' : static_cast<char16_t>(cp));
        i += length;
    }
    return out;
}

} // namespace kestro
