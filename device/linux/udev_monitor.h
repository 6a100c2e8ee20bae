// Hot-plug news from udev: the daemon's events on the hidraw subsystem, read
// from a netlink socket that the caller's event loop watches.
#pragma once

#include "hotplug_monitor.h"

#include <memory>
#include <string>

struct udev;
struct udev_monitor;

namespace kestro {

class UdevMonitor final : public HotplugMonitor {
public:
    // Null when udev cannot give a monitor.
    static std::unique_ptr<UdevMonitor> open();
    ~UdevMonitor() override;
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int descriptor() const override;
    bool takeChanges() override;

private:
    UdevMonitor(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}

    udev* context_;
    udev_monitor* monitor_;
};

// udev's events reach listeners only while its daemon runs: containers and
// the test guest have none, and a monitor there would never say a word.
bool udevDaemonRuns(const std::string& controlSocket = "/run/udev/control");

} // namespace kestro
