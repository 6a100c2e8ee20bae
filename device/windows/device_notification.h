// Hot-plug news on Windows: WM_DEVICECHANGE for the HID interface class,
// sent to a window the front end owns and handed in message by message.
#pragma once

#include "hotplug_monitor.h"

#include <memory>

namespace kestro {

class DeviceNotification final : public HotplugMonitor {
public:
    // Asks for the HID interface class's arrivals and removals to be sent
    // to window (an HWND); null when the system refuses.
    static std::unique_ptr<DeviceNotification> registerWindow(void* window);
    ~DeviceNotification() override;
    DeviceNotification(const DeviceNotification&) = delete;
    DeviceNotification& operator=(const DeviceNotification&) = delete;

    // Takes one window message (a MSG); true when it told of a HID
    // interface arriving or leaving.
    bool noteMessage(const void* message);
    bool takeChanges() override;

private:
    explicit DeviceNotification(void* handle) : handle_(handle) {}

    void* handle_; // HDEVNOTIFY
    bool pending_ = false;
};

} // namespace kestro
