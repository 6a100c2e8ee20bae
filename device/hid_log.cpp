#include "hid_log.h"

namespace kestro {

namespace {
HidLogSink& sink() {
    static HidLogSink instance;
    return instance;
}
} // namespace

void setHidLogSink(HidLogSink newSink) {
    sink() = std::move(newSink);
}

bool hidLogEnabled() {
    return static_cast<bool>(sink());
}

void hidLog(std::string_view line) {
    if (sink())
        sink()(line);
}

std::string hexBytes(const std::uint8_t* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0)
            text.push_back(' ');
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0x0F]);
    }
    return text;
}

} // namespace kestro
