#include "config/settings_table.h"

#include "config/protocol.h"
#include "config/setting_items.h"

#include <algorithm>

namespace kestro {

namespace {

std::vector<SettingValue> same(std::initializer_list<const char*> words) {
    std::vector<SettingValue> values;
    for (const char* word : words)
        values.push_back({word, word});
    return values;
}

std::vector<SettingValue> pulseWidths() {
    std::vector<SettingValue> values;
    for (int i = 0; i < kPulseWidthItems; ++i) {
        const std::string ms = std::to_string((i + 1) * 8);
        values.push_back({ms + "ms", ms + " ms"});
    }
    return values;
}

std::vector<SettingValue> startingPositions() {
    std::vector<SettingValue> values = {{"auto", "Auto"}};
    for (int i = 1; i < kRotaryStartItems; ++i)
        values.push_back({std::to_string(i + 1), std::to_string(i + 1)});
    return values;
}

// A default standing in for a byte that names no item is not the board's.
std::optional<int> heldPulseWidth(const BoardSettings& s, int) {
    if (!s.generalRead)
        return std::nullopt;
    const auto index = decodePulseWidth(s.pulseWidthByte);
    // 0 names no item either: nothing a user could have chosen.
    if (!index || *index < 0)
        return std::nullopt;
    return index;
}

std::vector<SettingRow> buildRows() {
    return {
        {SettingKind::EncoderMode, "encoder", "Encoder",
         "The counting mode of rotary encoder %n, which drives buttons %b", "off, 1:1, 1:2 or 1:4",
         kEncoders, ADDR_ENCODER_MODE, 0, SettingBlock::Encoders,
         same({"off", "1:1", "1:2", "1:4"}), encodeEncoderMode,
         [](const BoardSettings& s, int n) -> std::optional<int> {
             if (!s.encodersRead || n < 1 || n > kEncoders)
                 return std::nullopt;
             return s.encoderModes[static_cast<std::size_t>(n - 1)];
         },
         [](const BoardSettings& s, int n) -> std::optional<int> {
             if (n < 1 || n > kEncoders)
                 return std::nullopt;
             return s.encoderModes[static_cast<std::size_t>(n - 1)];
         },
         nullptr},
        {SettingKind::PulseWidth, "pulse-width", "Pulse width",
         "How long the button pulse of one encoder step lasts", "8ms to 200ms in steps of 8", 1,
         ADDR_PULSE_WIDTH, 0, SettingBlock::General, pulseWidths(), encodePulseWidth,
         heldPulseWidth,
         [](const BoardSettings& s, int) -> std::optional<int> { return s.pulseWidth; },
         [](const BoardSettings& s) -> std::optional<std::uint8_t> {
             // 0 shows as no pulse width at all, which says it already.
             if (s.pulseWidthByte == 0)
                 return std::nullopt;
             return s.pulseWidthByte;
         }},
        {SettingKind::RotaryPulses, "rotary-pulses", "Rotary switch produces button pulses",
         "Whether turning a rotary switch produces button pulses", "on or off", 1,
         ADDR_ROTARY_PULSES, 0, SettingBlock::General, same({"off", "on"}),
         [](int state) { return encodeRotaryPulses(state); },
         [](const BoardSettings& s, int) { return s.rotaryPulses; },
         [](const BoardSettings& s, int) { return s.rotaryPulses; }, nullptr},
        {SettingKind::RotaryStart, "rotary-start", "Rotary switches starting position",
         "The position rotary switches start from; Auto lets the board decide (boards from "
         "version 1.2)",
         "auto or 2 to 33", 1, ADDR_ROTARY_START, kRotaryStartGate, SettingBlock::General,
         startingPositions(), encodeRotaryStart,
         [](const BoardSettings& s, int) -> std::optional<int> {
             if (!s.generalRead)
                 return std::nullopt;
             return decodeRotaryStart(s.rotaryStartByte);
         },
         [](const BoardSettings& s, int) -> std::optional<int> { return s.rotaryStart; },
         [](const BoardSettings& s) -> std::optional<std::uint8_t> { return s.rotaryStartByte; }},
    };
}

void replaceAll(std::string& text, std::string_view what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

bool inRange(const SettingRow& entry, int value) {
    return value >= 0 && static_cast<std::size_t>(value) < entry.values.size();
}

} // namespace

const std::vector<SettingRow>& settingRows() {
    static const std::vector<SettingRow> rows = buildRows();
    return rows;
}

const SettingRow& rowOf(SettingKind kind) {
    return settingRows()[static_cast<std::size_t>(kind)];
}

const std::vector<Setting>& allSettings() {
    static const std::vector<Setting> settings = [] {
        std::vector<Setting> all;
        for (const SettingRow& entry : settingRows()) {
            for (int n = 1; n <= entry.count; ++n)
                all.push_back({entry.kind, entry.count > 1 ? n : 0});
        }
        return all;
    }();
    return settings;
}

std::string settingName(Setting setting) {
    const SettingRow& entry = rowOf(setting.kind);
    std::string name(entry.name);
    return entry.count > 1 ? name + std::to_string(setting.encoder) : name;
}

std::optional<Setting> settingNamed(std::string_view name) {
    for (const Setting& setting : allSettings()) {
        if (settingName(setting) == name)
            return setting;
    }
    return std::nullopt;
}

std::string settingCaption(Setting setting) {
    const SettingRow& entry = rowOf(setting.kind);
    std::string caption(entry.caption);
    return entry.count > 1 ? caption + " " + std::to_string(setting.encoder) : caption;
}

std::string settingDescription(Setting setting) {
    std::string text(rowOf(setting.kind).description);
    replaceAll(text, "%n", std::to_string(setting.encoder));
    replaceAll(text, "%b", encoderButtons(setting.encoder));
    return text;
}

std::optional<int> parseValue(Setting setting, std::string_view text) {
    const std::vector<SettingValue>& values = rowOf(setting.kind).values;
    const auto found = std::find_if(values.begin(), values.end(), [&](const SettingValue& v) {
        return text == v.word || text == v.item;
    });
    if (found == values.end())
        return std::nullopt;
    return static_cast<int>(found - values.begin());
}

std::string valueName(Setting setting, int value) {
    const SettingRow& entry = rowOf(setting.kind);
    return inRange(entry, value) ? entry.values[static_cast<std::size_t>(value)].word : "none";
}

std::string valueText(Setting setting, int value) {
    const SettingRow& entry = rowOf(setting.kind);
    return inRange(entry, value) ? entry.values[static_cast<std::size_t>(value)].item : "none";
}

std::string acceptedValues(Setting setting) {
    return std::string(rowOf(setting.kind).accepted);
}

std::string valueSummary(SettingKind kind) {
    const std::vector<SettingValue>& values = rowOf(kind).values;
    if (values.size() <= 4) {
        std::string summary;
        for (const SettingValue& value : values)
            summary += (summary.empty() ? "" : ", ") + value.word;
        return summary;
    }
    return values[0].word + ", " + values[1].word + ", ... " + values.back().word;
}

std::string nameSummary(SettingKind kind) {
    const SettingRow& entry = rowOf(kind);
    const std::string name(entry.name);
    return entry.count > 1 ? name + "1 ... " + name + std::to_string(entry.count) : name;
}

std::uint8_t settingAddress(Setting setting) {
    const SettingRow& entry = rowOf(setting.kind);
    const int step = entry.count > 1 ? 2 * (setting.encoder - 1) : 0;
    return static_cast<std::uint8_t>(entry.address + step);
}

std::uint8_t encodeValue(Setting setting, int value) {
    return rowOf(setting.kind).encode(value);
}

SettingBlock settingBlock(Setting setting) {
    return rowOf(setting.kind).block;
}

std::optional<int> heldValue(const BoardSettings& settings, Setting setting) {
    return rowOf(setting.kind).held(settings, setting.encoder);
}

std::optional<int> shownValue(const BoardSettings& settings, Setting setting) {
    return rowOf(setting.kind).shown(settings, setting.encoder);
}

std::optional<std::uint8_t> unnamedByte(const BoardSettings& settings, Setting setting) {
    const auto byte = rowOf(setting.kind).heldByte;
    if (!byte || !settings.generalRead || heldValue(settings, setting))
        return std::nullopt;
    return byte(settings);
}

int settingGate(Setting setting) {
    return rowOf(setting.kind).gate;
}

bool admitted(const BoardIdentity& identity, Setting setting) {
    const int gate = settingGate(setting);
    return gate == 0 || admits(identity.version, gate);
}

std::string versionsFrom(int gate) {
    return versionText(versionOf(static_cast<std::uint16_t>(gate))) + " or later";
}

} // namespace kestro
