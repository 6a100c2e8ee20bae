// A serial list that records what the device link did to it.
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
        selected = -1;
    }
    void setEnabled(bool on) override { enabled = on; }
    void addItem(int index, const std::string& item) override {
        items.insert(items.begin() + index, item);
    }
    void select(int index) override {
        selected = index;
        ++selectionEvents;
        if (onSelect)
            onSelect();
    }

    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;
    int selectionEvents = 0;
    std::function<void()> onSelect;
};

} // namespace kestro::test
