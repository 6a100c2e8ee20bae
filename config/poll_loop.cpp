#include "config/poll_loop.h"

namespace kestro {

void PollLoop::fillBitMask() {
    for (std::size_t j = 0; j < bitMask.size(); ++j)
        bitMask[j] = static_cast<std::uint16_t>(1u << j);
}

void PollLoop::PollDevice() {
    bool lost = false;
    if (link_.deviceDetected) {
        std::array<std::uint8_t, kReadRequestLength + 1> buffer{};
        const ReadResult read = link_.ReadInputReports(buffer.data(), kReadRequestLength);
        if (read.outcome == ReadOutcome::Reports) {
            const auto bytes = newestButtonBytes(buffer.data(), read.count,
                                                 link_.deviceCapabilities.InputReportByteLength);
            if (bytes)
                showButtonBytes(*bytes);
        }
        // An empty queue only means no button moved; the board is still there.
        if (read.outcome != ReadOutcome::Failed && !session_.reconnectPending) {
            view_.setPollInterval(kPollIntervalMs);
        } else {
            loseBoard();
            lost = true;
        }
    }
    if (!link_.deviceDetected && (lost || !nothingToFind()))
        searchForBoard();
}

bool PollLoop::nothingToFind() const {
    // A board listed but not open (a switch that failed) or one refused is
    // still worth a walk per tick; an empty list waits for an arrival.
    return arrivalsReported_ && link_.boardsListed == 0 && !link_.refusedBoard;
}

void PollLoop::devicesChanged() {
    if (!link_.deviceDetected) {
        searchForBoard();
        return;
    }
    link_.ListBoardsWhileOpen();
    session_.status.boardsAttached(link_.boardsListed);
}

void PollLoop::showButtonBytes(const ButtonBytes& bytes) {
    view_.setText2("");
    for (int i = 0; i < kButtonBytes; ++i) {
        const std::int16_t b = bytes[static_cast<std::size_t>(i)];
        std::int16_t& last = lastButtonBytes[static_cast<std::size_t>(i)];
        if (b == last)
            continue;
        last = b;
        for (int j = 0; j < 8; ++j) {
            const int mask = bitMask[static_cast<std::size_t>(j)];
            view_.setLamp(8 * i + j, (b & mask) == mask);
        }
    }
}

void PollLoop::loseBoard() {
    session_.status.boardLost();
    link_.deviceDetected = false;
    link_.CloseBoard();
    view_.setPollInterval(kLostIntervalMs);
    session_.settingsLoaded = false;
}

void PollLoop::searchForBoard() {
    session_.settingsLoaded = false;
    link_.Scan_USB_devices();
    link_.deviceDetected = link_.FindTheHid();
    if (link_.deviceDetected)
        session_.reconnectPending = false;
    session_.RefreshDeviceView();
}

} // namespace kestro
