// The open board's configuration as the window shows it: the device-view
// refresh with its readback, the handlers that write settings, the self
// diagnostic and the switch to another board.
#pragma once

#include "config/device_view.h"
#include "device_link.h"

#include <cstddef>
#include <cstdint>

namespace kestro {

inline constexpr int kPollIntervalMs = 50;
inline constexpr int kLostIntervalMs = 250;

class ConfigSession {
public:
    ConfigSession(DeviceLink& link, DeviceView& view) : link_(link), view_(view) {}

    // Brings every board-dependent control into line with the open board (or
    // the absence of one) and reads the board's stored settings back.
    void RefreshDeviceView();

    // Enc1_Click … Enc16_Click: one behaviour for encoder n = 1 … 16.
    void Enc_Click(int n);
    void Delay_Click();
    void RotStart_Click();
    void RotaryPulse_Click();

    void Selftest_Click();
    void SerNo_Click();

    bool settingsLoaded = false;
    bool reconnectPending = false;

private:
    bool mayWrite() const { return link_.deviceDetected && settingsLoaded; }
    std::size_t featureLength() const;
    void writeSetting(std::uint8_t address, std::uint8_t value);
    void resetView();
    // Shows manufacturer, product and version; false when the version is
    // unknown (the manufacturer request failed).
    bool showIdentity(int& major, int& minor);
    void fillLists();
    void applyVersionGates(int major, int minor);
    void readBack();
    void applyReply(const std::uint8_t* reply, std::size_t length);

    DeviceLink& link_;
    DeviceView& view_;
};

} // namespace kestro
