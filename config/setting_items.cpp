#include "config/setting_items.h"

#include "config/protocol.h"

namespace kestro {

std::string encoderModeItem(int index) {
    static constexpr const char* kItems[kEncoderModeItems] = {"off", "1:1", "1:2", "1:4"};
    return index >= 0 && index < kEncoderModeItems ? kItems[index] : "";
}

std::string pulseWidthItem(int index) {
    return std::to_string((index + 1) * 8) + " ms";
}

std::string rotaryStartItem(int index) {
    return index == 0 ? "Auto" : std::to_string(index + 1);
}

std::string encoderButtons(int n) {
    return "B" + std::to_string(2 * n - 1) + " B" + std::to_string(2 * n);
}

} // namespace kestro
