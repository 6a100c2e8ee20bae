#include "config/status_model.h"

#include <utility>

namespace kestro {

namespace {

std::string boardCount(int count) {
    return count == 1 ? "1 board attached." : std::to_string(count) + " boards attached.";
}

std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace

void StatusModel::changed() {
    if (onChange)
        onChange();
}

void StatusModel::enter(StatusState state) {
    // What the user did belongs to the board it was done to.
    if (state != StatusState::SettingsUnanswered)
        action_.clear();
    state_ = state;
    changed();
}

void StatusModel::noBoardFound() {
    // A lost board stays the news until another board opens.
    if (state_ != StatusState::BoardLost && state_ != StatusState::NoBoard)
        enter(StatusState::NoBoard);
}

void StatusModel::accessRefused(std::string hint) {
    if (state_ == StatusState::AccessRefused && hint == hint_)
        return;
    hint_ = std::move(hint);
    enter(StatusState::AccessRefused);
}

void StatusModel::boardOpened(OpenBoardFacts board) {
    board_ = std::move(board);
    enter(StatusState::BoardOpen);
}

void StatusModel::settingsUnanswered() {
    enter(StatusState::SettingsUnanswered);
}

void StatusModel::boardLost() {
    enter(StatusState::BoardLost);
}

void StatusModel::boardsAttached(int count) {
    if (count == attached_)
        return;
    attached_ = count;
    changed();
}

void StatusModel::setActionMessage(std::string message) {
    action_ = std::move(message);
    changed();
}

void StatusModel::settingWritten(const std::string& setting, const std::string& value,
                                 bool accepted) {
    setActionMessage(accepted ? capitalised(setting) + " set to " + value
                              : "The board did not accept " + setting);
}

std::string StatusModel::stateText() const {
    switch (state_) {
    case StatusState::Looking:
        return "Looking for a Kestro board...";
    case StatusState::NoBoard:
        return "No Kestro board found: plug one in.";
    case StatusState::BoardLost:
        return "Board " + board_.serial + " stopped answering: looking for a board...";
    case StatusState::AccessRefused:
        return hint_;
    case StatusState::BoardOpen:
    case StatusState::SettingsUnanswered:
        break;
    }
    std::string open = "Open: " + board_.product + ", serial " + board_.serial + ", version " +
                       (board_.version.empty() ? "unknown" : board_.version) + ".";
    if (state_ == StatusState::SettingsUnanswered)
        open += " The board does not answer its settings requests.";
    return open;
}

std::string StatusModel::text() const {
    std::string line = stateText();
    if (attached_ > 0)
        line += " " + boardCount(attached_);
    if (!action_.empty())
        line += " " + action_ + ".";
    return line;
}

} // namespace kestro
