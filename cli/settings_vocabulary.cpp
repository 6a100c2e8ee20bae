#include "cli/settings_vocabulary.h"

#include "config/protocol.h"
#include "config/setting_items.h"

namespace kestro::cli {

namespace {

using Kind = Setting::Kind;

constexpr std::string_view kEncoderPrefix = "encoder";

std::optional<int> number(std::string_view text) {
    if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

const std::vector<Setting>& allSettings() {
    static const std::vector<Setting> settings = [] {
        std::vector<Setting> all;
        for (int n = 1; n <= kEncoders; ++n)
            all.push_back({Kind::EncoderMode, n});
        all.push_back({Kind::PulseWidth});
        all.push_back({Kind::RotaryPulses});
        all.push_back({Kind::RotaryStart});
        return all;
    }();
    return settings;
}

std::string settingName(Setting setting) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        return std::string(kEncoderPrefix) + std::to_string(setting.encoder);
    case Kind::PulseWidth:
        return "pulse-width";
    case Kind::RotaryPulses:
        return "rotary-pulses";
    case Kind::RotaryStart:
        return "rotary-start";
    }
    return {};
}

std::optional<Setting> settingNamed(std::string_view name) {
    for (const Setting& setting : allSettings()) {
        if (settingName(setting) == name)
            return setting;
    }
    return std::nullopt;
}

std::optional<int> parseValue(Setting setting, std::string_view text) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        for (int index = 0; index < kEncoderModeItems; ++index) {
            if (text == encoderModeItem(index))
                return index;
        }
        return std::nullopt;
    case Kind::PulseWidth: {
        if (text.size() < 3 || text.substr(text.size() - 2) != "ms")
            return std::nullopt;
        const auto ms = number(text.substr(0, text.size() - 2));
        if (!ms || *ms % 8 != 0 || *ms < 8 || *ms > 8 * kPulseWidthItems)
            return std::nullopt;
        return *ms / 8 - 1;
    }
    case Kind::RotaryPulses:
        if (text == "on")
            return 1;
        if (text == "off")
            return 0;
        return std::nullopt;
    case Kind::RotaryStart: {
        if (text == "auto")
            return 0;
        const auto position = number(text);
        if (!position || *position < 2 || *position > kRotaryStartItems)
            return std::nullopt;
        return *position - 1;
    }
    }
    return std::nullopt;
}

std::string valueName(Setting setting, int value) {
    switch (setting.kind) {
    case Kind::PulseWidth:
        return std::to_string((value + 1) * 8) + "ms";
    case Kind::RotaryStart:
        return value == 0 ? "auto" : rotaryStartItem(value);
    default:
        return valueText(setting, value);
    }
}

std::string valueText(Setting setting, int value) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        return encoderModeItem(value);
    case Kind::PulseWidth:
        return value < 0 ? "none" : pulseWidthItem(value);
    case Kind::RotaryPulses:
        return value ? "on" : "off";
    case Kind::RotaryStart:
        return rotaryStartItem(value);
    }
    return {};
}

std::string acceptedValues(Setting setting) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        return "off, 1:1, 1:2 or 1:4";
    case Kind::PulseWidth:
        return "8ms to 200ms in steps of 8";
    case Kind::RotaryPulses:
        return "on or off";
    case Kind::RotaryStart:
        return "auto or 2 to 33";
    }
    return {};
}

std::uint8_t settingAddress(Setting setting) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        return encoderModeAddress(setting.encoder);
    case Kind::PulseWidth:
        return ADDR_PULSE_WIDTH;
    case Kind::RotaryPulses:
        return ADDR_ROTARY_PULSES;
    case Kind::RotaryStart:
        return ADDR_ROTARY_START;
    }
    return 0;
}

std::uint8_t encodeValue(Setting setting, int value) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        return encodeEncoderMode(value);
    case Kind::PulseWidth:
        return encodePulseWidth(value);
    case Kind::RotaryPulses:
        return encodeRotaryPulses(value);
    case Kind::RotaryStart:
        return encodeRotaryStart(value);
    }
    return 0;
}

std::optional<int> heldValue(const BoardSettings& settings, Setting setting) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        if (!settings.encodersRead)
            return std::nullopt;
        return settings.encoderModes[setting.encoder - 1];
    case Kind::PulseWidth: {
        if (!settings.generalRead)
            return std::nullopt;
        const auto index = decodePulseWidth(settings.pulseWidthByte);
        // 0 names no item either: nothing a user could have chosen.
        if (!index || *index < 0)
            return std::nullopt;
        return index;
    }
    case Kind::RotaryPulses:
        return settings.rotaryPulses;
    case Kind::RotaryStart:
        if (!settings.generalRead)
            return std::nullopt;
        return decodeRotaryStart(settings.rotaryStartByte);
    }
    return std::nullopt;
}

std::optional<int> shownValue(const BoardSettings& settings, Setting setting) {
    switch (setting.kind) {
    case Kind::EncoderMode:
        return settings.encoderModes[setting.encoder - 1];
    case Kind::PulseWidth:
        return settings.pulseWidth;
    case Kind::RotaryPulses:
        return settings.rotaryPulses;
    case Kind::RotaryStart:
        return settings.rotaryStart;
    }
    return std::nullopt;
}

int settingGate(Setting setting) {
    return setting.kind == Kind::RotaryStart ? kRotaryStartGate : 0;
}

bool admitted(const BoardIdentity& identity, Setting setting) {
    const int gate = settingGate(setting);
    return gate == 0 || admits(identity.version, gate);
}

std::string versionsFrom(int gate) {
    return versionText(versionOf(static_cast<std::uint16_t>(gate))) + " or later";
}

} // namespace kestro::cli
