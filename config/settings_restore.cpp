#include "config/settings_restore.h"

#include "config/board_settings.h"

namespace kestro {

namespace {

std::string captions(const std::vector<Setting>& settings) {
    std::string text;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (i > 0)
            text += i + 1 == settings.size() ? " and " : ", ";
        text += settingCaption(settings[i]);
    }
    return text;
}

} // namespace

RestorePlan planRestore(const std::vector<Assignment>& wanted, const BoardIdentity& identity,
                        const BoardSettings& held) {
    RestorePlan plan;
    for (const Assignment& assignment : wanted) {
        const std::optional<int> before = heldValue(held, assignment.setting);
        if (before == assignment.value)
            continue;
        plan.changes.push_back({assignment.setting, before, assignment.value});
        if (!admitted(identity, assignment.setting))
            plan.refused.push_back(assignment.setting);
    }
    return plan;
}

std::string changeText(const SettingChange& change) {
    const Setting setting = change.setting;
    return settingCaption(setting) + ": " +
           (change.before ? valueText(setting, *change.before) : std::string("no value")) +
           " \u2192 " + valueText(setting, change.after);
}

std::string refusalText(Setting setting, const BoardIdentity& identity) {
    return settingCaption(setting) + " (needs version " + versionsFrom(settingGate(setting)) +
           "; the board has " +
           (identity.version ? versionText(*identity.version) : std::string("an unknown one")) +
           ")";
}

std::vector<Assignment> writesOf(const RestorePlan& plan) {
    std::vector<Assignment> writes;
    for (const SettingChange& change : plan.changes)
        writes.push_back({change.setting, change.after});
    return writes;
}

WriteOutcome writeAndReadBack(DeviceLink& link, const std::vector<Assignment>& writes,
                              const std::vector<Assignment>& expected) {
    WriteOutcome outcome;
    const std::size_t length = link.deviceCapabilities.FeatureReportByteLength;
    for (const Assignment& write : writes) {
        if (!writeBoardSetting(link.platform(), link.featureHandle, length,
                               settingAddress(write.setting),
                               encodeValue(write.setting, write.value), &link.lastResult))
            outcome.notSent.push_back(write.setting);
    }
    outcome.after =
        readBoardSettings(link.platform(), link.featureHandle, length, &link.lastResult);
    for (const Assignment& wanted : expected) {
        if (heldValue(outcome.after, wanted.setting) != wanted.value)
            outcome.notHeld.push_back(wanted.setting);
    }
    return outcome;
}

std::string loadOutcomeText(const std::string& fileName, const BoardIdentity& identity,
                            const RestorePlan& plan, const WriteOutcome* outcome) {
    if (!plan.writable()) {
        std::string refused;
        for (const Setting& setting : plan.refused)
            refused += (refused.empty() ? "" : ", ") + refusalText(setting, identity);
        return "Nothing was written: this board does not admit " + refused + " from " + fileName;
    }
    if (plan.changes.empty())
        return "The board already holds every setting of " + fileName;
    if (!outcome)
        return "Nothing was written from " + fileName;
    if (!outcome->verified())
        return "After loading " + fileName + " the board does not hold " +
               captions(outcome->notHeld) + " as the file has it";
    const std::size_t n = plan.changes.size();
    return std::to_string(n) + (n == 1 ? " setting" : " settings") + " of " + fileName +
           " written and read back";
}

} // namespace kestro
