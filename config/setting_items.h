// The items of the configuration lists, by index, as the settings table
// gives them: what the window lists and what kestroctl prints.
#pragma once

#include <string>

namespace kestro {

// "48 ms": what the pulse-width list shows until the board says otherwise.
inline constexpr int kPulseWidthDefault = 5;

// "off", "1:1", "1:2", "1:4".
std::string encoderModeItem(int index);
// "8 ms", "16 ms", … "200 ms".
std::string pulseWidthItem(int index);
// "Auto", then "2" … "33".
std::string rotaryStartItem(int index);
// The pair of buttons encoder n drives: "B1 B2" for encoder 1.
std::string encoderButtons(int n);

} // namespace kestro
