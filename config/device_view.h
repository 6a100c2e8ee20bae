// The window as the configuration code sees it: narrow enough to be faked in
// tests, so the refresh, readback and handlers run without widgets.
// Texts are Latin-1 bytes, as the device strings decode to.
#pragma once

#include <string>

namespace kestro {

enum class Control : int {
    Frame1,
    Frame3,
    Label1,
    Label22,
    Selftest,
    TestResult,
    Delay,
    RotStart,
    Enc1,               // Enc1 … Enc16 follow in order
    Label6 = Enc1 + 16, // Label6 … Label21 follow in order
    Count = Label6 + 16,
};

constexpr Control encControl(int n) {
    return static_cast<Control>(static_cast<int>(Control::Enc1) + n - 1);
}
// The label naming the buttons of encoder n ("B1 B2" for encoder 1).
constexpr Control encLabel(int n) {
    return static_cast<Control>(static_cast<int>(Control::Label6) + n - 1);
}
constexpr bool isList(Control c) {
    return c == Control::Delay || c == Control::RotStart ||
           (c >= Control::Enc1 && c < Control::Label6);
}

enum class Caption { lblManuf, lblProduct, lblVersion, TestResult };

class DeviceView {
public:
    virtual ~DeviceView() = default;

    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual void setCaption(Caption caption, const std::string& text) = 0;

    // Lists (Enc1 … Enc16, Delay, RotStart). Selecting or clearing raises
    // the list's change event synchronously where the selected index
    // changes; adding an item selects nothing; -1 selects nothing. A user's
    // pick raises it also for the item already selected.
    virtual void clearList(Control list) = 0;
    virtual void addListItem(Control list, int index, const std::string& text) = 0;
    virtual void selectListItem(Control list, int index) = 0;
    virtual int selectedIndex(Control list) const = 0;

    // The rotary-pulses check box, 0 or 1. Setting it raises its click event
    // when the state changes.
    virtual void setRotaryPulse(int state) = 0;
    virtual int rotaryPulse() const = 0;

    virtual void setText1(const std::string& text) = 0;

    virtual void setTimerEnabled(bool enabled) = 0;
    virtual void setTimerInterval(int milliseconds) = 0;
};

} // namespace kestro
