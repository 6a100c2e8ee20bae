// The serial-number list as the device link sees it: the scan fills it and
// the search opens the board whose serial number equals its text.
#pragma once

#include <string>

namespace kestro {

class SerialListView {
public:
    virtual ~SerialListView() = default;
    // The text of the selected item, empty when nothing is selected.
    virtual std::string text() const = 0;
    virtual void clear() = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void addItem(int index, const std::string& text) = 0;
    // Raises the list's selection event synchronously where the index
    // changes (clear() does too, when it drops a selection); adding an item
    // selects nothing. A user's pick raises it also for the item shown.
    virtual void select(int index) = 0;
};

} // namespace kestro
