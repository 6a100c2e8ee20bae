// Finding and opening the board a command talks to, with the device link's
// own scan and search: the boards a scan lists, the choice among them that
// the command line makes, and the board's two handles closed at the end.
#pragma once

#include "cli/exit_status.h"
#include "config/board_identity.h"
#include "config/board_settings.h"
#include "config/self_test.h"
#include "device_link.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestro::cli {

// A board as the scan listed it, with the path and attributes the link held
// while it examined that board.
struct ListedBoard {
    std::string serial; // as the board gave it (8-bit text)
    std::string path;
    HidAttributes attributes;
};

// The serial list of the scan. Its own selections choose nothing: the board
// a command opens is the one the command line names.
class ScanList final : public SerialListView {
public:
    void watch(const DeviceLink& link) { link_ = &link; }
    void choose(std::string serial) { chosen_ = std::move(serial); }
    const std::vector<ListedBoard>& boards() const { return boards_; }

    std::string text() const override { return chosen_; }
    void clear() override { boards_.clear(); }
    void setEnabled(bool) override {}
    // The scan adds a board while that board is the one it examines.
    void addItem(int index, const std::string& text) override;
    void select(int) override {}

private:
    const DeviceLink* link_ = nullptr;
    std::vector<ListedBoard> boards_;
    std::string chosen_;
};

class BoardAccess {
public:
    explicit BoardAccess(HidPlatform& platform);
    ~BoardAccess();
    BoardAccess(const BoardAccess&) = delete;
    BoardAccess& operator=(const BoardAccess&) = delete;

    // Rebuilds the list of attached boards.
    void scan();
    const std::vector<ListedBoard>& boards() const { return list_.boards(); }
    const std::vector<RefusedBoard>& refused() const { return link_.refusedBoards; }

    // Scans, picks the board with serial (UTF-8), or the only one, and opens
    // it; otherwise says on err why not and returns the status to exit with.
    ExitStatus open(const std::optional<std::string>& serial, std::ostream& err);

    // Of the open board.
    std::string serial() const { return list_.text(); }
    std::size_t featureLength() const { return link_.deviceCapabilities.FeatureReportByteLength; }
    const DeviceLink& link() const { return link_; }
    DeviceLink& link() { return link_; }
    BoardIdentity readIdentity();
    BoardSettings readSettings();
    bool write(std::uint8_t address, std::uint8_t value);
    std::optional<SelfTestReply> selfTest();

private:
    ExitStatus pick(const std::optional<std::string>& serial, std::ostream& err);

    ScanList list_;
    DeviceLink link_;
};

// Each board the system refuses, by its own node, with the fix.
void tellRefusals(const std::vector<RefusedBoard>& boards, std::ostream& err);

} // namespace kestro::cli
