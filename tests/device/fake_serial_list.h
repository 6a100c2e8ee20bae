// A serial list that records what the device link did to it, and raises its
// selection event where the real list does: when the program changes the
// selection, and on every pick a user makes.
#pragma once

#include "serial_list.h"

#include <functional>
#include <string>
#include <vector>

namespace kestro::test {

class FakeSerialList : public SerialListView {
public:
    std::string text() const override {
        return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected] : "";
    }
    void clear() override {
        items.clear();
        change(-1);
    }
    void setEnabled(bool on) override { enabled = on; }
    void addItem(int index, const std::string& item) override {
        items.insert(items.begin() + index, item);
    }
    void select(int index) override { change(index < static_cast<int>(items.size()) ? index : -1); }
    // A user's pick of a listed item, also of the one already selected.
    void pick(int index) {
        if (!enabled || index < 0 || index >= static_cast<int>(items.size()))
            return;
        selected = index;
        raise();
    }

    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;
    int selectionEvents = 0;
    std::function<void()> onSelect;

private:
    void change(int index) {
        if (selected == index)
            return;
        selected = index;
        raise();
    }
    void raise() {
        ++selectionEvents;
        if (onSelect)
            onSelect();
    }
};

} // namespace kestro::test
