#include "cli/json.h"

#include <cstdio>
#include <cstdlib>

namespace kestro::cli {

std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                quoted += escape;
            } else {
                quoted.push_back(c);
            }
        }
    }
    return quoted + "\"";
}

std::string jsonStringOrNull(const std::optional<std::string>& text) {
    return text ? jsonString(*text) : "null";
}

const JsonValue* JsonValue::member(std::string_view key) const {
    for (const auto& [name, value] : members) {
        if (name == key)
            return &value;
    }
    return nullptr;
}

const char* kindName(JsonValue::Kind kind) {
    switch (kind) {
    case JsonValue::Kind::Null:
        return "null";
    case JsonValue::Kind::Bool:
        return "true or false";
    case JsonValue::Kind::Number:
        return "a number";
    case JsonValue::Kind::String:
        return "a string";
    case JsonValue::Kind::Array:
        return "an array";
    case JsonValue::Kind::Object:
        return "an object";
    }
    return "a value";
}

namespace {

constexpr int kMaxDepth = 16;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonParse parseDocument() {
        JsonParse result;
        JsonValue value;
        skipSpace();
        if (!parseValue(value, 0))
            return failure();
        skipSpace();
        if (at_ != text_.size()) {
            fail("unexpected text after the end of the JSON value");
            return failure();
        }
        result.value = std::move(value);
        return result;
    }

private:
    JsonParse failure() const {
        // Counted up to where the fault was found, so the message points at it.
        int line = 1;
        int column = 1;
        for (std::size_t i = 0; i < errorAt_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return {std::nullopt, "line " + std::to_string(line) + ", column " +
                                  std::to_string(column) + ": " + error_};
    }

    bool fail(const std::string& message) {
        if (error_.empty()) {
            error_ = message;
            errorAt_ = at_;
        }
        return false;
    }

    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }

    void skipSpace() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++at_;
    }

    bool expect(char c) {
        skipSpace();
        if (peek() != c)
            return fail(std::string("expected '") + c + "'");
        ++at_;
        return true;
    }

    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word)
            return fail("expected a JSON value");
        at_ += word.size();
        return true;
    }

    bool parseValue(JsonValue& value, int depth) {
        skipSpace();
        if (depth > kMaxDepth)
            return fail("nested too deeply");
        switch (peek()) {
        case '{':
            return parseObject(value, depth);
        case '[':
            return parseArray(value, depth);
        case '"':
            value.kind = JsonValue::Kind::String;
            return parseString(value.text);
        case 't':
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return literal("true");
        case 'f':
            value.kind = JsonValue::Kind::Bool;
            return literal("false");
        case 'n':
            value.kind = JsonValue::Kind::Null;
            return literal("null");
        default:
            if (peek() == '-' || (peek() >= '0' && peek() <= '9'))
                return parseNumber(value);
            return fail(atEnd() ? "the file ends where a value should be"
                                : "expected a JSON value");
        }
    }

    bool parseObject(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Object;
        ++at_;
        skipSpace();
        if (peek() == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                return fail("expected a key in double quotes");
            const std::size_t keyAt = at_;
            std::string key;
            if (!parseString(key))
                return false;
            if (value.member(key)) {
                at_ = keyAt;
                return fail("the key \"" + key + "\" appears twice");
            }
            if (!expect(':'))
                return false;
            JsonValue member;
            if (!parseValue(member, depth + 1))
                return false;
            value.members.emplace_back(std::move(key), std::move(member));
            skipSpace();
            if (peek() == ',') {
                ++at_;
                continue;
            }
            return expect('}');
        }
    }

    bool parseArray(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Array;
        ++at_;
        skipSpace();
        if (peek() == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!parseValue(item, depth + 1))
                return false;
            value.items.push_back(std::move(item));
            skipSpace();
            if (peek() == ',') {
                ++at_;
                continue;
            }
            return expect(']');
        }
    }

    bool hex4(char32_t& unit) {
        if (at_ + 4 > text_.size())
            return fail("a \\u escape needs four hex digits");
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<char32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<char32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<char32_t>(c - 'A' + 10);
            else
                return fail("a \\u escape needs four hex digits");
        }
        return true;
    }

    bool parseEscape(std::string& out) {
        const std::size_t start = at_ - 1; // the backslash, where a message should point
        const char c = text_[at_++];
        switch (c) {
        case '"':
        case '\\':
        case '/':
            out.push_back(c);
            return true;
        case 'b':
            out.push_back('\b');
            return true;
        case 'f':
            out.push_back('\f');
            return true;
        case 'n':
            out.push_back('\n');
            return true;
        case 'r':
            out.push_back('\r');
            return true;
        case 't':
            out.push_back('\t');
            return true;
        case 'u':
            break;
        default:
            at_ = start;
            return fail("unknown escape in a string");
        }
        char32_t cp = 0;
        if (!hex4(cp))
            return false;
        const auto lone = [&] {
            at_ = start;
            return fail("a lone UTF-16 surrogate in a string");
        };
        if (cp >= 0xDC00 && cp <= 0xDFFF)
            return lone();
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (text_.substr(at_, 2) != "\\u")
                return lone();
            at_ += 2;
            char32_t low = 0;
            if (!hex4(low))
                return false;
            if (low < 0xDC00 || low > 0xDFFF)
                return lone();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, cp);
        return true;
    }

    bool parseString(std::string& out) {
        ++at_; // the opening quote
        for (;;) {
            if (atEnd())
                return fail("a string is not closed");
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("a control character inside a string");
            ++at_;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (atEnd())
                return fail("a string is not closed");
            if (!parseEscape(out))
                return false;
        }
    }

    bool digits() {
        const std::size_t start = at_;
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++at_;
        return at_ > start;
    }

    bool parseNumber(JsonValue& value) {
        const std::size_t start = at_;
        if (peek() == '-')
            ++at_;
        if (peek() == '0')
            ++at_;
        else if (!digits())
            return fail("expected a number");
        if (peek() == '.') {
            ++at_;
            if (!digits())
                return fail("expected digits after the decimal point");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-')
                ++at_;
            if (!digits())
                return fail("expected digits in the exponent");
        }
        value.kind = JsonValue::Kind::Number;
        value.number = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string error_;
    std::size_t errorAt_ = 0;
};

} // namespace

JsonParse parseJson(std::string_view text) {
    return Parser(text).parseDocument();
}

} // namespace kestro::cli
