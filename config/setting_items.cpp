#include "config/setting_items.h"

#include "config/settings_table.h"

namespace kestro {

namespace {

std::string item(SettingKind kind, int index) {
    const std::vector<SettingValue>& values = rowOf(kind).values;
    return index >= 0 && static_cast<std::size_t>(index) < values.size()
               ? values[static_cast<std::size_t>(index)].item
               : "";
}

} // namespace

std::string encoderModeItem(int index) {
    return item(SettingKind::EncoderMode, index);
}

std::string pulseWidthItem(int index) {
    return item(SettingKind::PulseWidth, index);
}

std::string rotaryStartItem(int index) {
    return item(SettingKind::RotaryStart, index);
}

std::string encoderButtons(int n) {
    return "B" + std::to_string(2 * n - 1) + " B" + std::to_string(2 * n);
}

} // namespace kestro
