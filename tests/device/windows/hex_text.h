// Bytes as the board host and its clients write them in their requests and
// answers: two hex digits a byte, "-" for none.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kestro::test {

inline std::string toHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char two[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text.empty() ? "-" : text;
}

inline std::vector<std::uint8_t> fromHex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace kestro::test
