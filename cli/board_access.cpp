#include "cli/board_access.h"

#include "cli/message.h"
#include "cli/text.h"
#include "config/permission_hint.h"

#include <algorithm>

namespace kestro::cli {

void ScanList::addItem(int index, const std::string& text) {
    ListedBoard board{text, {}, {}};
    if (link_) {
        board.path = link_->devicePath;
        board.attributes = link_->deviceAttributes;
    }
    const std::size_t at = std::min(static_cast<std::size_t>(std::max(index, 0)), boards_.size());
    boards_.insert(boards_.begin() + static_cast<std::ptrdiff_t>(at), std::move(board));
}

void tellRefusals(const std::vector<RefusedBoard>& boards, std::ostream& err) {
    for (const RefusedBoard& board : boards)
        complain(err, "open " + refusedNode(board), "access was refused: " + permissionFix());
}

BoardAccess::BoardAccess(HidPlatform& platform) : link_(platform, list_) {
    list_.watch(link_);
}

BoardAccess::~BoardAccess() {
    if (link_.deviceDetected) {
        link_.deviceDetected = false;
        link_.CloseBoard();
    }
}

void BoardAccess::scan() {
    link_.Scan_USB_devices();
}

namespace {

void listSerials(const std::vector<ListedBoard>& boards, std::ostream& err) {
    std::vector<std::string> seen;
    bool shared = false;
    for (const ListedBoard& board : boards) {
        err << "  " << latin1ToUtf8(board.serial) << "\n";
        shared = shared || std::find(seen.begin(), seen.end(), board.serial) != seen.end();
        seen.push_back(board.serial);
    }
    if (shared)
        err << "  (boards that share a serial number cannot be told apart: the first of them "
               "is the one opened)\n";
}

bool listed(const std::vector<ListedBoard>& boards, const std::string& serial) {
    return std::any_of(boards.begin(), boards.end(),
                       [&](const ListedBoard& board) { return board.serial == serial; });
}

} // namespace

ExitStatus BoardAccess::pick(const std::optional<std::string>& serial, std::ostream& err) {
    const std::vector<ListedBoard>& found = boards();
    if (serial) {
        const std::optional<std::string> wanted = utf8ToLatin1(*serial);
        if (wanted && listed(found, *wanted)) {
            list_.choose(*wanted);
            return ExitStatus::Ok;
        }
        // A refused board's serial number cannot be read: it may be the one.
        if (!refused().empty()) {
            tellRefusals(refused(), err);
            return ExitStatus::AccessDenied;
        }
        complain(err, "open " + *serial,
                 found.empty() ? "no Kestro board with this serial number is attached"
                               : "no Kestro board with this serial number is attached; "
                                 "attached are:");
        listSerials(found, err);
        return ExitStatus::NoBoard;
    }
    if (found.empty()) {
        if (!refused().empty()) {
            tellRefusals(refused(), err);
            return ExitStatus::AccessDenied;
        }
        complain(err, "open", "no Kestro board is attached");
        return ExitStatus::NoBoard;
    }
    if (found.size() > 1) {
        complain(err, "open", "several Kestro boards are attached; choose one with --serial:");
        listSerials(found, err);
        return ExitStatus::SeveralBoards;
    }
    list_.choose(found.front().serial);
    return ExitStatus::Ok;
}

ExitStatus BoardAccess::open(const std::optional<std::string>& serial, std::ostream& err) {
    scan();
    const ExitStatus picked = pick(serial, err);
    if (picked != ExitStatus::Ok)
        return picked;
    // Another board that the system keeps closed might be the one meant.
    if (!serial)
        tellRefusals(refused(), err);
    link_.deviceDetected = link_.FindTheHid();
    if (link_.deviceDetected)
        return ExitStatus::Ok;
    if (!refused().empty()) {
        tellRefusals(refused(), err);
        return ExitStatus::AccessDenied;
    }
    complain(err, "open " + latin1ToUtf8(list_.text()), "the board is no longer attached");
    return ExitStatus::NoBoard;
}

BoardIdentity BoardAccess::readIdentity() {
    return readBoardIdentity(link_.platform(), link_.readHandle,
                             link_.deviceAttributes.VersionNumber, &link_.lastResult);
}

BoardSettings BoardAccess::readSettings() {
    return readBoardSettings(link_.platform(), link_.featureHandle, featureLength(),
                             &link_.lastResult);
}

bool BoardAccess::write(std::uint8_t address, std::uint8_t value) {
    return writeBoardSetting(link_.platform(), link_.featureHandle, featureLength(), address, value,
                             &link_.lastResult);
}

std::optional<SelfTestReply> BoardAccess::selfTest() {
    return runSelfTest(link_.platform(), link_.featureHandle, featureLength(), &link_.lastResult);
}

} // namespace kestro::cli
