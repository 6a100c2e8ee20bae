#include "cli/text.h"

#include "device_string.h"

namespace kestro::cli {

std::string latin1ToUtf8(const std::string& latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

std::optional<std::string> latin1ToUtf8(const std::optional<std::string>& latin1) {
    if (!latin1)
        return std::nullopt;
    return latin1ToUtf8(*latin1);
}

std::optional<std::string> utf8ToLatin1(const std::string& utf8) {
    std::string latin1;
    for (char16_t unit : utf8ToUtf16(utf8)) {
        if (unit > 0xFF)
            return std::nullopt;
        latin1.push_back(static_cast<char>(unit));
    }
    return latin1;
}

} // namespace kestro::cli
