// What the window's status line says, kept without widgets: the poll loop,
// the session and the device link tell it what happened, and the window
// shows text() whenever onChange fires.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kestro {

enum class StatusState {
    Looking,            // the first search has not ended yet
    NoBoard,            // the last search found none
    BoardOpen,          // a board is open and answers
    SettingsUnanswered, // a board is open but every settings read failed
    BoardLost,          // the open board stopped answering and none opened since
    AccessRefused,      // a board is there but the system refused access to it
};

// The open board as the status line names it.
struct OpenBoardFacts {
    std::string product;
    std::string serial;
    std::string version; // empty when unknown
};

class StatusModel {
public:
    // The outcome of a search that opened nothing.
    void noBoardFound();
    void accessRefused(std::string hint);
    void boardOpened(OpenBoardFacts board);
    void settingsUnanswered();
    void boardLost();
    // How many boards the serial list holds.
    void boardsAttached(int count);

    // The outcome of the user's last action (a setting written or refused, a
    // file loaded); it stays until another action or another board.
    void setActionMessage(std::string message);
    void settingWritten(const std::string& setting, const std::string& value, bool accepted);

    StatusState state() const { return state_; }
    const OpenBoardFacts& openBoard() const { return board_; }
    int attached() const { return attached_; }
    const std::string& actionMessage() const { return action_; }
    // The whole line, Latin-1 as the device strings.
    std::string text() const;

    std::function<void()> onChange;

private:
    void enter(StatusState state);
    std::string stateText() const;
    void changed();

    StatusState state_ = StatusState::Looking;
    OpenBoardFacts board_;
    std::string hint_;
    std::string action_;
    int attached_ = 0;
};

} // namespace kestro
