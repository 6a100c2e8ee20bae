// Byte strings as every test writes them: frames sent to a board, reports it
// sends back, and the hex text the board host and its clients exchange.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace kestro::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Bytes 0 to 3 of a request, zeros after them to the report's length.
inline Bytes frame(std::initializer_list<std::uint8_t> head, std::size_t length = 65) {
    Bytes bytes(std::max(length, head.size()), 0);
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
}

// Two hex digits a byte, "-" for none, so that an empty string stays a word.
inline std::string toHex(const Bytes& bytes) {
    std::string text;
    char two[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text.empty() ? "-" : text;
}

inline Bytes fromHex(const std::string& text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace kestro::test
