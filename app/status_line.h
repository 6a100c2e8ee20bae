// The line at the bottom of the window that says what is going on, in the
// status model's words. Selectable, so that a node or a command in it can be
// copied.
#pragma once

#include <QLabel>

namespace kestro {

class StatusModel;

class StatusLine final : public QLabel {
public:
    explicit StatusLine(QWidget* parent);
    void showStatus(const StatusModel& status);
};

} // namespace kestro
