// Just enough JSON for kestroctl: quoting strings for the output, and a
// strict reader for the backup file that says where a file goes wrong.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestro::cli {

// text (UTF-8) as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);
// A string literal, or null when there is no text.
std::string jsonStringOrNull(const std::optional<std::string>& text);

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members; // in file order, keys unique

    const JsonValue* member(std::string_view key) const;
};

struct JsonParse {
    std::optional<JsonValue> value;
    std::string error; // "line 3, column 7: expected ':'" when value is empty
};

// Refuses what is not one JSON value followed by white space only, objects
// with a key given twice, and nesting deeper than the backup could need.
JsonParse parseJson(std::string_view text);

// "string", "number", ... for messages.
const char* kindName(JsonValue::Kind kind);

} // namespace kestro::cli
