// The SerNo combo box as the device link fills and reads it.
#pragma once

#include "serial_list.h"

#include <functional>
#include <utility>

class QComboBox;

namespace kestro {

class SerNoList final : public SerialListView {
public:
    // onSelection is the list's selection handler; a user's pick reaches it
    // from the combo box itself.
    void attach(QComboBox* combo, std::function<void()> onSelection) {
        combo_ = combo;
        onSelection_ = std::move(onSelection);
    }

    std::string text() const override;
    // Both raise the selection handler, inside the call, when the index
    // changes.
    void clear() override;
    void select(int index) override;
    void setEnabled(bool enabled) override;
    void addItem(int index, const std::string& text) override;

private:
    QComboBox* combo_ = nullptr;
    std::function<void()> onSelection_;
};

} // namespace kestro
