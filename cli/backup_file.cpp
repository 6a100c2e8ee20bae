#include "cli/backup_file.h"

#include "cli/json.h"

#include <algorithm>
#include <cmath>

namespace kestro::cli {

namespace {

using Kind = JsonValue::Kind;

constexpr const char* kIdentityKeys[] = {"serial", "manufacturer", "product", "productId",
                                         "version"};

std::optional<std::string>* identityField(BackupIdentity& identity, std::string_view key) {
    if (key == "serial")
        return &identity.serial;
    if (key == "manufacturer")
        return &identity.manufacturer;
    if (key == "product")
        return &identity.product;
    if (key == "productId")
        return &identity.productId;
    if (key == "version")
        return &identity.version;
    return nullptr;
}

struct Reader {
    std::string error;

    bool fail(std::string message) {
        error = std::move(message);
        return false;
    }

    bool header(const JsonValue& root) {
        if (root.kind != Kind::Object)
            return fail("expected a JSON object, found " + std::string(kindName(root.kind)));
        const JsonValue* format = root.member("format");
        if (!format || format->kind != Kind::String || format->text != kBackupFormat)
            return fail(std::string("\"format\" is not \"") + kBackupFormat +
                        "\": this is not a kestroctl backup");
        const JsonValue* version = root.member("version");
        const bool whole = version && version->kind == Kind::Number &&
                           std::abs(version->number) < 1e9 &&
                           version->number == std::floor(version->number);
        if (!whole)
            return fail("\"version\" must be a whole number");
        if (version->number != kBackupVersion)
            return fail("backup format version " +
                        std::to_string(static_cast<long long>(version->number)) +
                        " is not known to this kestroctl, which reads version " +
                        std::to_string(kBackupVersion));
        for (const auto& [key, value] : root.members) {
            if (key != "format" && key != "version" && key != "board" && key != "settings")
                return fail("unknown key \"" + key + "\"");
        }
        return true;
    }

    bool board(const JsonValue* value, BackupIdentity& identity) {
        if (!value)
            return true;
        if (value->kind != Kind::Object)
            return fail("\"board\" must be an object");
        for (const auto& [key, field] : value->members) {
            std::optional<std::string>* target = identityField(identity, key);
            if (!target)
                return fail("unknown key \"board." + key + "\"");
            if (field.kind == Kind::String)
                *target = field.text;
            else if (field.kind != Kind::Null)
                return fail("\"board." + key + "\" must be a string or null");
        }
        return true;
    }

    bool settings(const JsonValue* value, std::vector<Assignment>& assignments) {
        if (!value || value->kind != Kind::Object)
            return fail("\"settings\" must be an object of NAME: VALUE");
        for (const auto& [key, field] : value->members) {
            const std::optional<Setting> setting = settingNamed(key);
            if (!setting)
                return fail("unknown setting \"" + key + "\"");
            if (field.kind != Kind::String)
                return fail("\"" + key + "\" must be a string (" + acceptedValues(*setting) +
                            "), found " + kindName(field.kind));
            const std::optional<int> parsed = parseValue(*setting, field.text);
            if (!parsed)
                return fail("\"" + field.text + "\" is not a value of " + key + " (" +
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

} // namespace

std::string formatBackup(const Backup& backup) {
    std::string text = "{\n  \"format\": " + jsonString(kBackupFormat) +
                       ",\n  \"version\": " + std::to_string(kBackupVersion) + ",\n  \"board\": {";
    BackupIdentity identity = backup.board;
    bool first = true;
    for (const char* key : kIdentityKeys) {
        text += std::string(first ? "" : ",") + "\n    " + jsonString(key) + ": " +
                jsonStringOrNull(*identityField(identity, key));
        first = false;
    }
    text += "\n  },\n  \"settings\": {";
    first = true;
    for (const Assignment& assignment : backup.settings) {
        text += std::string(first ? "" : ",") + "\n    " +
                jsonString(settingName(assignment.setting)) + ": " +
                jsonString(valueName(assignment.setting, assignment.value));
        first = false;
    }
    return text + (backup.settings.empty() ? "}\n}\n" : "\n  }\n}\n");
}

BackupParse parseBackup(std::string_view text) {
    if (text.size() > kMaxBackupBytes)
        return {std::nullopt, "larger than " + std::to_string(kMaxBackupBytes / 1024) +
                                  " KiB: not a kestroctl backup"};
    const JsonParse json = parseJson(text);
    if (!json.value)
        return {std::nullopt, "not valid JSON: " + json.error};
    Reader reader;
    Backup backup;
    const JsonValue& root = *json.value;
    if (!reader.header(root) || !reader.board(root.member("board"), backup.board) ||
        !reader.settings(root.member("settings"), backup.settings))
        return {std::nullopt, reader.error};
    return {backup, {}};
}

} // namespace kestro::cli
