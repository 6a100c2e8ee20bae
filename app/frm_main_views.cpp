// frmMain as the configuration code and the device link see it, and what
// its status line says.
#include "accessible_names.h"
#include "frm_main.h"
#include "lamp_grid.h"
#include "ser_no_list.h"
#include "status_line.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace kestro {

namespace {
QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The lists choose nothing when an item is added, as the device view and the
// serial list expect, and tell the caller whether a selection or a clearing
// changed the index, which is when they raise their handlers.
void insertUnselected(QComboBox* box, int index, const QString& text) {
    const bool wasEmpty = box->count() == 0;
    box->insertItem(index, text);
    if (wasEmpty)
        box->setCurrentIndex(-1);
}
bool selectIndex(QComboBox* box, int index) {
    const int before = box->currentIndex();
    box->setCurrentIndex(index);
    return box->currentIndex() != before;
}
bool clearItems(QComboBox* box) {
    const int before = box->currentIndex();
    box->clear();
    return before != -1;
}
} // namespace

std::string SerNoList::text() const {
    return combo_->currentText().toLatin1().toStdString();
}
void SerNoList::clear() {
    if (clearItems(combo_))
        onSelection_();
}
void SerNoList::setEnabled(bool enabled) {
    combo_->setEnabled(enabled);
}
void SerNoList::addItem(int index, const std::string& text) {
    insertUnselected(combo_, index, latin1(text));
}
void SerNoList::select(int index) {
    if (selectIndex(combo_, index))
        onSelection_();
}

QComboBox* frmMain::list(Control control) const {
    return isList(control) ? static_cast<QComboBox*>(controls_[static_cast<int>(control)])
                           : nullptr;
}

QLabel* frmMain::captionLabel(Caption caption) const {
    switch (caption) {
    case Caption::lblManuf:
        return lblManuf_;
    case Caption::lblProduct:
        return lblProduct_;
    case Caption::lblVersion:
        return lblVersion_;
    case Caption::TestResult:
        return testResult_;
    }
    return nullptr;
}

void frmMain::setEnabled(Control control, bool enabled) {
    if (QWidget* widget = controls_[static_cast<int>(control)])
        widget->setEnabled(enabled);
}

void frmMain::setCaption(Caption caption, const std::string& text) {
    if (QLabel* label = captionLabel(caption)) {
        label->setText(latin1(text));
        // The board's strings come padded (" 1.1"); a screen reader would
        // say the padding.
        label->setAccessibleName(spokenCaption(label->text()));
    }
}

void frmMain::clearList(Control control) {
    if (QComboBox* box = list(control); box && clearItems(box))
        listClicked(control);
}

void frmMain::addListItem(Control control, int index, const std::string& text) {
    if (QComboBox* box = list(control))
        insertUnselected(box, index, latin1(text));
}

void frmMain::selectListItem(Control control, int index) {
    if (QComboBox* box = list(control); box && selectIndex(box, index))
        listClicked(control);
}

int frmMain::selectedIndex(Control control) const {
    const QComboBox* box = list(control);
    return box ? box->currentIndex() : -1;
}

void frmMain::setRotaryPulse(int state) {
    rotaryPulse_->setChecked(state != 0);
}
int frmMain::rotaryPulse() const {
    return rotaryPulse_->isChecked() ? 1 : 0;
}
void frmMain::setText1(const std::string& text) {
    text1_->setPlainText(latin1(text));
}

void frmMain::setTimerEnabled(bool enabled) {
    if (enabled)
        timer_.start();
    else
        timer_.stop();
}

void frmMain::setTimerInterval(int milliseconds) {
    timer_.setInterval(milliseconds);
}

void frmMain::setLamp(int k, bool pressed) {
    lampGrid_->setPressed(k, pressed);
}

void frmMain::setText2(const std::string& text) {
    // The poll tick clears the box whenever reports arrive, many times a
    // second on a board that streams; resetting the document would lay out
    // and repaint the box each time for nothing.
    // Asking the document for its text builds a string on every tick; its
    // emptiness is known without that.
    if (text.empty() ? text2_->document()->isEmpty() : text2_->toPlainText() == latin1(text))
        return;
    text2_->setPlainText(latin1(text));
}

void frmMain::setPollInterval(int milliseconds) {
    // Setting the interval restarts a running timer; only a change should.
    if (timer_.interval() != milliseconds)
        timer_.setInterval(milliseconds);
}

QString frmMain::statusText() const {
    return statusLine_->text();
}

QString frmMain::permissionHint() const {
    return session_.status.state() == StatusState::AccessRefused ? statusText() : QString();
}

} // namespace kestro
