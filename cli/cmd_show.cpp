// kestroctl show: identity and settings as the window would show them, after
// the settings request and nothing else.
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/readback.h"
#include "cli/table.h"
#include "cli/text.h"
#include "config/setting_items.h"

namespace kestro::cli {

namespace {

struct Shown {
    std::string serial;
    BoardIdentity identity;
    BoardSettings settings;
};

// Where the window shows a default in place of a byte that names no item,
// the byte is worth saying.
std::string heldNote(const BoardSettings& settings, Setting setting) {
    if (!settings.generalRead || heldValue(settings, setting))
        return {};
    const bool pulse = setting.kind == Setting::Kind::PulseWidth;
    if (!pulse && setting.kind != Setting::Kind::RotaryStart)
        return {};
    const int byte = pulse ? settings.pulseWidthByte : settings.rotaryStartByte;
    if (pulse && byte == 0)
        return {};
    return "(the board holds " + std::to_string(byte) + ", which names no item)";
}

std::string shownText(const BoardSettings& settings, Setting setting) {
    const std::optional<int> value = shownValue(settings, setting);
    return value ? valueText(setting, *value) : "unknown";
}

void printText(const Shown& shown, std::ostream& out) {
    const BoardIdentity& identity = shown.identity;
    printTable(
        {
            {"serial", latin1ToUtf8(shown.serial)},
            {"manufacturer", latin1ToUtf8(identity.manufacturer).value_or("unknown")},
            {"product", latin1ToUtf8(identity.product).value_or("unknown")},
            {"version", versionCaption(identity).value_or("unknown")},
            {"selftest",
             identity.admitsSelfTest()
                 ? "admitted"
                 : "not admitted: " + gateRefusal(identity, "the self test", kSelfTestGate)},
        },
        out);
    out << "\n";

    std::vector<Row> rows;
    for (const Setting& setting : allSettings()) {
        Row row = {settingName(setting), shownText(shown.settings, setting)};
        if (setting.kind == Setting::Kind::EncoderMode)
            row.push_back(encoderButtons(setting.encoder));
        else if (!admitted(identity, setting))
            row.push_back("(not admitted: " +
                          gateRefusal(identity, settingName(setting), settingGate(setting)) + ")");
        else if (const std::string note = heldNote(shown.settings, setting); !note.empty())
            row.push_back(note);
        rows.push_back(row);
    }
    printTable(rows, out);
}

void printJson(const Shown& shown, const BoardAccess& board, std::ostream& out) {
    const BoardIdentity& identity = shown.identity;
    std::string json =
        "{\"serial\":" + jsonString(latin1ToUtf8(shown.serial)) +
        ",\"manufacturer\":" + jsonStringOrNull(latin1ToUtf8(identity.manufacturer)) +
        ",\"product\":" + jsonStringOrNull(latin1ToUtf8(identity.product)) +
        ",\"version\":" + jsonStringOrNull(versionCaption(identity)) +
        ",\"productId\":" + jsonString(productIdText(board.link().deviceAttributes.ProductID)) +
        ",\"node\":" + jsonString(board.link().devicePath) + ",\"settings\":{";
    std::string buttons;
    bool first = true;
    for (const Setting& setting : allSettings()) {
        const std::optional<int> value = shownValue(shown.settings, setting);
        json += std::string(first ? "" : ",") + jsonString(settingName(setting)) + ":" +
                (value && *value >= 0 ? jsonString(valueName(setting, *value)) : "null");
        if (setting.kind == Setting::Kind::EncoderMode)
            buttons += std::string(first ? "" : ",") + jsonString(settingName(setting)) + ":" +
                       jsonString(encoderButtons(setting.encoder));
        first = false;
    }
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    json += "},\"buttons\":{" + buttons +
            "},\"admits\":{\"rotary-start\":" + flag(identity.admitsRotaryStart()) +
            ",\"selftest\":" + flag(identity.admitsSelfTest()) +
            "},\"reported\":{\"encoders\":" + flag(shown.settings.encodersRead) +
            ",\"general\":" + flag(shown.settings.generalRead) + "}}";
    out << json << "\n";
}

} // namespace

ExitStatus runShow(const Invocation& invocation, Environment& env) {
    BoardAccess board(env.platform);
    if (const ExitStatus opened = board.open(invocation.serial, env.err); opened != ExitStatus::Ok)
        return opened;
    Shown shown{board.serial(), board.readIdentity(), {}};
    const bool carried = carriesRequests(board, env.err);
    if (carried)
        shown.settings = board.readSettings();

    if (invocation.json)
        printJson(shown, board, env.out);
    else
        printText(shown, env.out);
    if (!carried || !reportedAll(shown.settings, allSettings(), env.err))
        return ExitStatus::NoReply;
    return ExitStatus::Ok;
}

} // namespace kestro::cli
