#include "udev_monitor.h"

#include <libudev.h>
#include <sys/stat.h>

namespace kestro {

std::unique_ptr<UdevMonitor> UdevMonitor::open() {
    udev* context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<UdevMonitor>(new UdevMonitor(context, monitor));
}

UdevMonitor::~UdevMonitor() {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
}

int UdevMonitor::descriptor() const {
    return udev_monitor_get_fd(monitor_);
}

bool UdevMonitor::takeChanges() {
    // The socket does not block: an empty queue ends the loop.
    bool changed = false;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        changed = true;
        udev_device_unref(device);
    }
    return changed;
}

bool udevDaemonRuns(const std::string& controlSocket) {
    struct stat status {};
    return ::stat(controlSocket.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::unique_ptr<HotplugMonitor> makeSystemHotplugMonitor() {
    if (!udevDaemonRuns())
        return nullptr;
    return UdevMonitor::open();
}

} // namespace kestro
