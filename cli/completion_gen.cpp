// Writes kestroctl's bash completion: the setting names and their values,
// from the settings table, ahead of the hand-written script (argv[1]), so
// that the completion offers exactly what set takes.
#include "config/settings_table.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    using namespace kestro;
    if (argc != 2) {
        std::cerr << "usage: kestroctl-completion-gen SCRIPT\n";
        return 2;
    }
    std::ifstream script(argv[1]);
    std::stringstream body;
    body << script.rdbuf();
    if (!script) {
        std::cerr << "kestroctl-completion-gen: cannot read " << argv[1] << "\n";
        return 1;
    }

    std::string names;
    for (const Setting& setting : allSettings())
        names += (names.empty() ? "" : " ") + settingName(setting);
    std::cout
        << "# bash completion for kestroctl                             -*- shell-script -*-\n"
        << "# The settings and values are generated from kestroctl's own table.\n\n"
        << "_kestroctl_settings=\"" << names << "\"\n\n"
        << "_kestroctl_values()\n{\n    case $1 in\n";
    for (const SettingRow& entry : settingRows()) {
        std::string pattern(entry.name);
        if (entry.count > 1)
            pattern += "[0-9]*";
        std::string words;
        for (const SettingValue& value : entry.values)
            words += (words.empty() ? "" : " ") + value.word;
        std::cout << "        " << pattern << ") echo \"" << words << "\" ;;\n";
    }
    std::cout << "    esac\n}\n\n" << body.str();
    return std::cout ? 0 : 1;
}
