#include "status_line.h"

#include "config/status_model.h"

namespace kestro {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("StatusLine"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setMargin(2);
}

void StatusLine::showStatus(const StatusModel& status) {
    // Plain hyphens, even where the wrap may split the rule's name there:
    // what is copied from here must work in a terminal.
    const std::string text = status.text();
    setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace kestro
