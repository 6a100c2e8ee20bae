// frmMain as the configuration code and the device link see it, and the
// permission hint that follows the link's last walk.
#include "accessible_names.h"
#include "config/permission_hint.h"
#include "frm_main.h"
#include "lamp_grid.h"
#include "ser_no_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

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
    const QString wanted = latin1(text);
    if (text2_->toPlainText() != wanted)
        text2_->setPlainText(wanted);
}

void frmMain::setPollInterval(int milliseconds) {
    // Setting the interval restarts a running timer; only a change should.
    if (timer_.interval() != milliseconds)
        timer_.setInterval(milliseconds);
}

QString frmMain::permissionHint() const {
    return permissionHint_->isHidden() ? QString() : permissionHint_->toolTip();
}

void frmMain::updatePermissionHint() {
    if (link_.refusedBoard && !link_.deviceDetected)
        showPermissionHint(*link_.refusedBoard);
    else
        hidePermissionHint();
}

void frmMain::showPermissionHint(const RefusedBoard& board) {
    const QString text = latin1(permissionHintText(board));
    // The wrap must not split the rule's name at a hyphen; the tooltip keeps
    // the text to copy.
    const QString rule = QString::fromLatin1(kUdevRuleName);
    QString shown = text;
    shown.replace(rule, QString(rule).replace(u'-', QChar(0x2011)));
    permissionHint_->setText(shown);
    permissionHint_->setToolTip(text);
    if (!permissionHint_->isHidden())
        return;
    heightWithoutHint_ = height();
    permissionHint_->show();
    client_->setMinimumHeight(permissionHint_->geometry().bottom() + 1);
    const int needed = fittedToScreen(client_->minimumSize()).height();
    setMinimumHeight(needed);
    if (height() < needed)
        resize(width(), needed);
}

void frmMain::hidePermissionHint() {
    if (permissionHint_->isHidden())
        return;
    permissionHint_->hide();
    const int grownHeight = minimumHeight();
    client_->setMinimumHeight(scale_.toPx(kClientHeightTwips));
    setMinimumHeight(fittedToScreen(client_->minimumSize()).height());
    // Shrink back only when the user has not resized the window meanwhile.
    if (height() == grownHeight)
        resize(width(), heightWithoutHint_);
}

} // namespace kestro
