// The SerNo combo box as the device link fills and reads it.
#pragma once

#include "serial_list.h"

class QComboBox;

namespace kestro {

class SerNoList final : public SerialListView {
public:
    void attach(QComboBox* combo) { combo_ = combo; }

    std::string text() const override;
    void clear() override;
    void setEnabled(bool enabled) override;
    void addItem(int index, const std::string& text) override;
    // The combo box raises currentIndexChanged itself, inside this call.
    void select(int index) override;

private:
    QComboBox* combo_ = nullptr;
};

} // namespace kestro
