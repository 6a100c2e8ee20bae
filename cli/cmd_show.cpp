// kestroctl show: identity and settings as the window would show them, after
// the settings request and nothing else.
#include "cli/commands.h"
#include "cli/json_output.h"
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
    Json settings = Json::object();
    Json buttons = Json::object();
    for (const Setting& setting : allSettings()) {
        const std::optional<int> value = shownValue(shown.settings, setting);
        settings[settingName(setting)] =
            value && *value >= 0 ? Json(valueName(setting, *value)) : Json();
        if (setting.kind == Setting::Kind::EncoderMode)
            buttons[settingName(setting)] = encoderButtons(setting.encoder);
    }
    printJsonLine(
        {
            {"serial", latin1ToUtf8(board.serial())},
            {"manufacturer", stringOrNull(latin1ToUtf8(identity.manufacturer))},
            {"product", stringOrNull(latin1ToUtf8(identity.product))},
            {"version", stringOrNull(versionCaption(identity))},
            {"productId", productIdText(board.link().deviceAttributes.ProductID)},
            {"node", board.link().devicePath},
            {"settings", settings},
            {"buttons", buttons},
            {"admits",
             {{"rotary-start", identity.admitsRotaryStart()},
              {"selftest", identity.admitsSelfTest()}}},
            {"reported",
             {{"encoders", shown.settings.encodersRead}, {"general", shown.settings.generalRead}}},
        },
        out);
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
