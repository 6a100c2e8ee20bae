// Word from the system that HID interfaces came or went, so that boards are
// looked for when something changed instead of on every tick. Each backend
// that can hear of arrivals has one; where none can be had the caller walks
// the interfaces as it always did.
#pragma once

#include <memory>

namespace kestro {

class HotplugMonitor {
public:
    virtual ~HotplugMonitor() = default;

    // A descriptor that turns readable when news waits, for the caller's
    // event loop to watch; -1 where the news arrives some other way (window
    // messages, the simulator), and the caller asks at its own moments.
    virtual int descriptor() const { return -1; }

    // Takes all the news that waits, without blocking; true when any HID
    // interface arrived, left or changed since the last call.
    virtual bool takeChanges() = 0;
};

// The system's monitor, or null when it cannot tell of arrivals (on Linux,
// no udev daemon runs; on Windows the window's notification is made by
// the front end, which has the window).
std::unique_ptr<HotplugMonitor> makeSystemHotplugMonitor();

} // namespace kestro
