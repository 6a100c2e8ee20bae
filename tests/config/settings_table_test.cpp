// The settings table: every word the window or kestroctl shows is taken back,
// each setting reaches its address with its encoding, and the man page lists
// the values the table holds.
#include "config/settings_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kestro {
namespace {

TEST(SettingsTable, TakesBackEveryWordAndItemItPrints) {
    for (const Setting& setting : allSettings()) {
        EXPECT_EQ(settingNamed(settingName(setting)), setting);
        const auto& values = rowOf(setting.kind).values;
        for (int v = 0; v < static_cast<int>(values.size()); ++v) {
            EXPECT_EQ(parseValue(setting, valueName(setting, v)), v) << settingName(setting);
            EXPECT_EQ(parseValue(setting, valueText(setting, v)), v) << settingName(setting);
        }
    }
}

struct Case {
    const char* name;
    const char* text;
    std::optional<std::uint8_t> address; // nothing: the text is refused
    std::uint8_t byte = 0;
};

TEST(SettingsTable, ParsesAndEncodesAsTheControlsWrite) {
    const Case cases[] = {
        {"encoder5", "1:2", 0x28, 0x04},
        {"encoder16", "off", 0x3E, 0x00},
        {"pulse-width", "200ms", 0x40, 25},
        {"pulse-width", "8 ms", 0x40, 1},
        {"pulse-width", "48 ms", 0x40, 6},
        {"rotary-start", "Auto", 0x4E, 0xFF},
        {"rotary-start", "auto", 0x4E, 0xFF},
        {"rotary-start", "33", 0x4E, 32},
        {"rotary-pulses", "on", 0x4D, 1},
        {"pulse-width", "48", {}},
        {"pulse-width", "048ms", {}},
        {"rotary-start", "1", {}},
        {"encoder1", "1:3", {}},
        {"rotary-pulses", "On", {}},
    };
    for (const Case& c : cases) {
        const auto setting = settingNamed(c.name);
        ASSERT_TRUE(setting) << c.name;
        const auto value = parseValue(*setting, c.text);
        ASSERT_EQ(value.has_value(), c.address.has_value()) << c.name << "=" << c.text;
        if (!value)
            continue;
        EXPECT_EQ(settingAddress(*setting), *c.address) << c.name;
        EXPECT_EQ(encodeValue(*setting, *value), c.byte) << c.name << "=" << c.text;
    }
    EXPECT_FALSE(settingNamed("encoder0"));
    EXPECT_FALSE(settingNamed("encoder17"));
    EXPECT_EQ(settingCaption(*settingNamed("encoder5")), "Encoder 5");
    EXPECT_EQ(settingDescription(*settingNamed("encoder5")),
              "The counting mode of rotary encoder 5, which drives buttons B9 B10");
}

// The words of a roff line, without its macro, quotes, escapes and commas.
std::vector<std::string> roffWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    const auto flush = [&] {
        if (!word.empty() && word != ".")
            words.push_back(word);
        word.clear();
    };
    for (char c : line.substr(line.find(' ') + 1)) {
        if (c == ' ' || c == '"' || c == ',')
            flush();
        else if (c != '\\')
            word += c;
    }
    flush();
    return words;
}

TEST(SettingsTable, IsWhatTheManPageLists) {
    std::ifstream page(KESTROCTL_MAN_PAGE);
    ASSERT_TRUE(page) << KESTROCTL_MAN_PAGE;
    // Each entry of SETTINGS: its name line, then the one .BR line of values.
    std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> entries;
    bool inSettings = false, atName = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH", 0) == 0)
            inSettings = line == ".SH SETTINGS";
        else if (inSettings && line == ".TP")
            atName = true;
        else if (inSettings && atName) {
            entries.push_back({roffWords(line), {}});
            atName = false;
        } else if (inSettings && !entries.empty() && line.rfind(".BR ", 0) == 0)
            entries.back().second = roffWords(line);
    }
    ASSERT_EQ(entries.size(), settingRows().size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SettingKind kind = settingRows()[i].kind;
        EXPECT_EQ(entries[i].first, roffWords(". " + nameSummary(kind)));
        EXPECT_EQ(entries[i].second, roffWords(". " + valueSummary(kind)));
    }
}

} // namespace
} // namespace kestro
