#include "system_platform.h"

#include "linux_hid_platform.h"

namespace kestro {

std::unique_ptr<HidPlatform> makeSystemHidPlatform() {
    return std::make_unique<LinuxHidPlatform>();
}

} // namespace kestro
