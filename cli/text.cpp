#include "cli/text.h"

#include "device_string.h"

namespace kestro::cli {

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
