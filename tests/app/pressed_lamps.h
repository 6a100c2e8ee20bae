#pragma once

#include "app/frm_main.h"
#include "app/lamp_grid.h"

#include <vector>

namespace kestro::test {

// The lamps the window shows lit, as indexes, so a test can compare them whole.
inline std::vector<int> pressedLamps(frmMain& window) {
    std::vector<int> pressed;
    for (int k = 0; k < kLamps; ++k)
        if (window.lampGrid().pressed(k))
            pressed.push_back(k);
    return pressed;
}

} // namespace kestro::test
