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

// Where the window shows a default in place of a byte that names no item,
// the byte is worth saying.
std::string heldNote(const BoardSettings& settings, Setting setting) {
    const std::optional<std::uint8_t> byte = unnamedByte(settings, setting);
    if (!byte)
        return {};
    return "(the board holds " + std::to_string(*byte) + ", which names no item)";
}

std::string shownText(const BoardSettings& settings, Setting setting) {
    const std::optional<int> value = shownValue(settings, setting);
    return value ? valueText(setting, *value) : "unknown";
}

void printText(const BoardAccess& board, const BoardState& shown, std::ostream& out) {
    const BoardIdentity& identity = shown.identity;
    printTable(
        {
            {"serial", latin1ToUtf8(board.serial())},
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

void printJson(const BoardAccess& board, const BoardState& shown, std::ostream& out) {
    const BoardIdentity& identity = shown.identity;
    std::string json =
        "{\"serial\":" + jsonString(latin1ToUtf8(board.serial())) +
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
    BoardState state;
    const ExitStatus read = openAndRead(board, invocation.serial, env.err, state);
    // A board whose reports cannot carry the readback still has an identity.
    if (read != ExitStatus::Ok && read != ExitStatus::NoReply)
        return read;

    if (invocation.json)
        printJson(board, state, env.out);
    else
        printText(board, state, env.out);
    if (read != ExitStatus::Ok || !reportedAll(state.settings, allSettings(), env.err))
        return ExitStatus::NoReply;
    return ExitStatus::Ok;
}

} // namespace kestro::cli
