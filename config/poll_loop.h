// The poll tick without the toolkit: read the queued input reports, light the
// lamps whose button byte changed, and give the board up and look for one
// again when it stops answering. The window's timer drives it; tests and the
// fuzz target drive the very same code without a window.
#pragma once

#include "config/config_session.h"
#include "device_link.h"
#include "input_report.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestro {

inline constexpr int kLastButtonByteEntries = 21;
// Outside 0…255, so the first report paints every lamp.
inline constexpr std::int16_t kNeverSeen = 999;

// The window as the poll tick sees it.
class PollView {
public:
    virtual ~PollView() = default;
    // Lamp k (0…127) shows button k + 1 pressed or released.
    virtual void setLamp(int k, bool pressed) = 0;
    virtual void setText2(const std::string& text) = 0;
    // Leaves a running timer alone when the interval is already in force.
    virtual void setPollInterval(int milliseconds) = 0;
};

class PollLoop {
public:
    PollLoop(DeviceLink& link, ConfigSession& session, PollView& view)
        : link_(link), session_(session), view_(view) {}

    // The start-up steps that belong to the loop, in Form_Load's order.
    void fillBitMask();
    void forgetButtonBytes() { lastButtonBytes.fill(kNeverSeen); }
    // Scan, open, refresh: what start-up and a tick without a board do.
    void searchForBoard();

    void PollDevice();

    // Whether the system tells of arrivals (devicesChanged). While it does,
    // a tick with nothing open and nothing to open walks nothing.
    void setArrivalsReported(bool reported) { arrivalsReported_ = reported; }
    // The system says HID interfaces came or went: a board is looked for at
    // once, or the serial list follows while one is open.
    void devicesChanged();

    std::array<std::uint16_t, 8> bitMask{};
    std::array<std::int16_t, kLastButtonByteEntries> lastButtonBytes{};

private:
    void showButtonBytes(const ButtonBytes& bytes);
    void loseBoard();
    bool nothingToFind() const;

    DeviceLink& link_;
    ConfigSession& session_;
    PollView& view_;
    bool arrivalsReported_ = false;
};

} // namespace kestro
