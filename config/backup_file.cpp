#include "config/backup_file.h"

#include "config/latin1.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <set>

namespace kestro {

namespace {

using Json = nlohmann::ordered_json;

// Field by field, in the file's order.
constexpr std::optional<std::string> BackupIdentity::*kIdentityFields[] = {
    &BackupIdentity::serial, &BackupIdentity::manufacturer, &BackupIdentity::product,
    &BackupIdentity::productId, &BackupIdentity::version};
constexpr const char* kIdentityKeys[] = {"serial", "manufacturer", "product", "productId",
                                         "version"};

const char* kindName(const Json& value) {
    if (value.is_null())
        return "null";
    if (value.is_boolean())
        return "true or false";
    if (value.is_number())
        return "a number";
    if (value.is_string())
        return "a string";
    return value.is_array() ? "an array" : "an object";
}

// Why the parser stopped a file that is valid JSON but not one a backup
// could be: a key given twice, or nesting no backup needs.
struct Refused {
    std::string why;
};

// The library keeps the last of duplicate keys and nests as deep as memory
// allows; the callback sees every key and depth first and stops both.
Json parseStrictly(std::string_view text) {
    std::vector<std::set<std::string>> keys;
    const auto check = [&keys](int depth, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (depth > kMaxBackupDepth)
            throw Refused{"nested too deeply"};
        if (event == Event::object_start)
            keys.emplace_back();
        else if (event == Event::object_end)
            keys.pop_back();
        else if (event == Event::key && !keys.back().insert(parsed.get<std::string>()).second)
            throw Refused{"the key \"" + parsed.get<std::string>() + "\" appears twice"};
        return true;
    };
    return Json::parse(text.begin(), text.end(), check);
}

// "line 2, column 31: syntax error …" out of the library's message.
std::string parseErrorText(const nlohmann::json::parse_error& error) {
    std::string what = error.what();
    const std::string marker = "parse error at ";
    std::size_t at = what.find(marker);
    if (at == std::string::npos)
        return what;
    what.erase(0, at + marker.size());
    // "syntax error while parsing value - " says nothing the rest does not.
    const std::size_t syntax = what.find("syntax error while parsing ");
    const std::size_t dash = what.find(" - ", syntax);
    if (syntax != std::string::npos && dash != std::string::npos)
        what.erase(syntax, dash + 3 - syntax);
    return what;
}

struct Reader {
    std::string error;

    bool fail(std::string message) {
        error = std::move(message);
        return false;
    }

    bool header(const Json& root) {
        if (!root.is_object())
            return fail(std::string("expected a JSON object, found ") + kindName(root));
        const auto format = root.find("format");
        if (format == root.end() || !format->is_string() || *format != kBackupFormat)
            return fail(std::string("\"format\" is not \"") + kBackupFormat +
                        "\": this is not a kestroctl backup");
        const auto version = root.find("version");
        const bool whole = version != root.end() && version->is_number() &&
                           std::abs(version->get<double>()) < 1e9 &&
                           version->get<double>() == std::floor(version->get<double>());
        if (!whole)
            return fail("\"version\" must be a whole number");
        if (version->get<double>() != kBackupVersion)
            return fail("backup format version " +
                        std::to_string(static_cast<long long>(version->get<double>())) +
                        " is not known to this kestroctl, which reads version " +
                        std::to_string(kBackupVersion));
        for (const auto& [key, value] : root.items()) {
            if (key != "format" && key != "version" && key != "board" && key != "settings")
                return fail("unknown key \"" + key + "\"");
        }
        return true;
    }

    bool board(const Json& root, BackupIdentity& identity) {
        const auto value = root.find("board");
        if (value == root.end())
            return true;
        if (!value->is_object())
            return fail("\"board\" must be an object");
        for (const auto& [key, field] : value->items()) {
            const auto* found = std::find(std::begin(kIdentityKeys), std::end(kIdentityKeys), key);
            if (found == std::end(kIdentityKeys))
                return fail("unknown key \"board." + key + "\"");
            auto& target = identity.*kIdentityFields[found - std::begin(kIdentityKeys)];
            if (field.is_string())
                target = field.get<std::string>();
            else if (!field.is_null())
                return fail("\"board." + key + "\" must be a string or null");
        }
        return true;
    }

    bool settings(const Json& root, std::vector<Assignment>& assignments) {
        const auto value = root.find("settings");
        if (value == root.end() || !value->is_object())
            return fail("\"settings\" must be an object of NAME: VALUE");
        for (const auto& [key, field] : value->items()) {
            const std::optional<Setting> setting = settingNamed(key);
            if (!setting)
                return fail("unknown setting \"" + key + "\"");
            if (!field.is_string())
                return fail("\"" + key + "\" must be a string (" + acceptedValues(*setting) +
                            "), found " + kindName(field));
            const std::string text = field.get<std::string>();
            const std::optional<int> parsed = parseValue(*setting, text);
            if (!parsed)
                return fail("\"" + text + "\" is not a value of " + key + " (" +
                            acceptedValues(*setting) + ")");
            assignments.push_back({*setting, *parsed});
        }
        // The order of the settings map, whatever the file's order.
        const auto rank = [](const Assignment& a) {
            const auto& all = allSettings();
            return std::find(all.begin(), all.end(), a.setting) - all.begin();
        };
        std::sort(assignments.begin(), assignments.end(),
                  [&](const Assignment& a, const Assignment& b) { return rank(a) < rank(b); });
        return true;
    }
};

Json nullOr(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}

} // namespace

BackupIdentity backupIdentity(const std::string& serial, const BoardIdentity& identity,
                              std::uint16_t productId) {
    std::optional<std::string> version;
    if (identity.version)
        version = versionText(*identity.version);
    return {latin1ToUtf8(serial), latin1ToUtf8(identity.manufacturer),
            latin1ToUtf8(identity.product), productIdText(productId), version};
}

std::vector<Assignment> heldSettings(const BoardIdentity& identity, const BoardSettings& settings) {
    std::vector<Assignment> held;
    for (const Setting& setting : allSettings()) {
        const std::optional<int> value = heldValue(settings, setting);
        if (value && admitted(identity, setting))
            held.push_back({setting, *value});
    }
    return held;
}

std::string formatBackup(const Backup& backup) {
    Json board = Json::object();
    for (std::size_t i = 0; i < std::size(kIdentityKeys); ++i)
        board[kIdentityKeys[i]] = nullOr(backup.board.*kIdentityFields[i]);
    Json settings = Json::object();
    for (const Assignment& assignment : backup.settings)
        settings[settingName(assignment.setting)] = valueName(assignment.setting, assignment.value);
    Json root = Json::object();
    root["format"] = kBackupFormat;
    root["version"] = kBackupVersion;
    root["board"] = std::move(board);
    root["settings"] = std::move(settings);
    // Board strings arrive as Latin-1 made UTF-8; anything else is replaced
    // rather than refused, as a backup is still worth having.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

BackupParse parseBackup(std::string_view text) {
    if (text.size() > kMaxBackupBytes)
        return {std::nullopt, "larger than " + std::to_string(kMaxBackupBytes / 1024) +
                                  " KiB: not a kestroctl backup"};
    Json root;
    try {
        root = parseStrictly(text);
    } catch (const Refused& refused) {
        return {std::nullopt, "not valid JSON: " + refused.why};
    } catch (const nlohmann::json::parse_error& error) {
        return {std::nullopt, "not valid JSON: " + parseErrorText(error)};
    }
    Reader reader;
    Backup backup;
    if (!reader.header(root) || !reader.board(root, backup.board) ||
        !reader.settings(root, backup.settings))
        return {std::nullopt, reader.error};
    return {backup, {}};
}

std::optional<std::string> readBackupText(std::istream& in) {
    std::string text;
    char chunk[4096];
    while (text.size() <= kMaxBackupBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return text;
}

std::optional<std::string> writeBackupFile(const std::filesystem::path& path,
                                           const std::string& text) {
    std::filesystem::path partial = path;
    partial += ".partial";
    std::error_code error;
    {
        errno = 0;
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            const std::string why = systemReason();
            std::filesystem::remove(partial, error);
            return why;
        }
    }
    std::filesystem::rename(partial, path, error);
    if (error) {
        const std::string why = error.message();
        std::filesystem::remove(partial, error);
        return why;
    }
    return std::nullopt;
}

std::string systemReason() {
    return errno != 0 ? std::strerror(errno) : "the system gave no reason";
}

} // namespace kestro
