// The backend of the operating system the program was built for.
#pragma once

#include "hid_platform.h"

#include <memory>

namespace kestro {

std::unique_ptr<HidPlatform> makeSystemHidPlatform();

} // namespace kestro
