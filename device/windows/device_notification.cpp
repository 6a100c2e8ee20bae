#include "device_notification.h"

#include "win32_hid.h"

#include <dbt.h>

namespace kestro {

std::unique_ptr<DeviceNotification> DeviceNotification::registerWindow(void* window) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::HidD_GetHidGuid(&filter.dbcc_classguid);
    HDEVNOTIFY handle = ::RegisterDeviceNotificationA(static_cast<HWND>(window), &filter,
                                                      DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!handle)
        return nullptr;
    return std::unique_ptr<DeviceNotification>(new DeviceNotification(handle));
}

DeviceNotification::~DeviceNotification() {
    ::UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(handle_));
}

bool DeviceNotification::noteMessage(const void* message) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_DEVICECHANGE)
        return false;
    if (msg->wParam != DBT_DEVICEARRIVAL && msg->wParam != DBT_DEVICEREMOVECOMPLETE)
        return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return false;
    pending_ = true;
    return true;
}

bool DeviceNotification::takeChanges() {
    const bool changed = pending_;
    pending_ = false;
    return changed;
}

// Windows sends its news to a window, which only the front end has: it
// registers one itself.
std::unique_ptr<HotplugMonitor> makeSystemHotplugMonitor() {
    return nullptr;
}

} // namespace kestro
