// The open board's configuration as the window shows it: the device-view
// refresh with its readback, the handlers that write settings, the self
// diagnostic and the switch to another board.
#pragma once

#include "config/board_identity.h"
#include "config/device_view.h"
#include "config/status_model.h"
#include "device_link.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

struct BoardSettings;

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
    StatusModel status;

private:
    bool mayWrite() const { return link_.deviceDetected && settingsLoaded; }
    std::size_t featureLength() const;
    // setting and valueText name the change in the status line.
    void writeSetting(std::uint8_t address, std::uint8_t value, const std::string& setting,
                      const std::string& valueText);
    void reportNoBoard();
    void resetView();
    // Shows manufacturer, product and version; the version is unknown when
    // the manufacturer request failed.
    std::optional<BoardVersion> showIdentity();
    void fillLists();
    void applyVersionGates(const std::optional<BoardVersion>& version);
    void readBack();
    void showSettings(const BoardSettings& settings);

    DeviceLink& link_;
    DeviceView& view_;
};

} // namespace kestro
