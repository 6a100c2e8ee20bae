#include "system_platform.h"

#include "windows/windows_hid_platform.h"

namespace kestro {

std::unique_ptr<HidPlatform> makeSystemHidPlatform() {
    return std::make_unique<WindowsHidPlatform>();
}

} // namespace kestro
