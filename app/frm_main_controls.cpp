// The controls of frmMain, where the layout puts them (twips, relative to
// their container), with their captions and start states.
#include "accessible_names.h"
#include "config/protocol.h"
#include "config/setting_items.h"
#include "control_font.h"
#include "frm_main.h"
#include "lamp_grid.h"
#include "settings_file_actions.h"
#include "status_line.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace kestro {

namespace {

constexpr int kEncodersPerColumn = 8;
constexpr int kRowPitch = 480;
const QRectF kButtonsFrame(4680, 0, 4095, 8415);
const QSizeF kLamp0(375, 375);
// Below the self diagnostic's row, and kept at the window's bottom edge.
constexpr double kStatusLineHeight = 615;
constexpr double kStatusLineMargin = 120;

// The layout puts each caption's top a little below the top of the list it
// names, so that top-aligned text stands level with the list's text; centred
// in its taller box it would sink below it.
QLabel* label(QWidget* container, const QString& caption) {
    auto* text = new QLabel(caption, container);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return text;
}

QLabel* label(QWidget* container, const char* caption) {
    return label(container, QString::fromLatin1(caption));
}

// A wheel turned over a list the user is not working in belongs to the
// window, which a screen too small for it may scroll: a notch on its way past
// must neither rewrite a board setting nobody chose nor switch boards.
class DropDownList final : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (hasFocus())
            QComboBox::wheelEvent(event);
        else
            event->ignore(); // on to the parent
    }
};

// Every box of the window is a drop-down list: the user picks, never types.
QComboBox* dropDownList(QWidget* container) {
    auto* box = new DropDownList(container);
    box->setEditable(false);
    // Focus comes by click or Tab, never from a passing wheel.
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

// At the layout's widths the styles keep so much room for a list's arrow
// that "200 ms" no longer fits beside it; half of that room goes to the text.
class RoomyListStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control != CC_ComboBox || (sub != SC_ComboBoxArrow && sub != SC_ComboBoxEditField))
            return rect;
        const int given =
            QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget).width() / 2;
        const bool leftToRight = option->direction != Qt::RightToLeft;
        if (sub == SC_ComboBoxArrow) {
            if (leftToRight)
                rect.setLeft(rect.left() + given);
            else
                rect.setRight(rect.right() - given);
        } else if (leftToRight) {
            rect.setRight(rect.right() + given);
        } else {
            rect.setLeft(rect.left() - given);
        }
        return rect;
    }
};

// Made after every control, so that it outlives the lists when the window's
// children are deleted in the order they were made.
void giveListsTextRoom(QWidget* window) {
    // Over the style the rest of the window has, whichever the desktop chose.
    auto* style = new RoomyListStyle(window->style()->name());
    style->setParent(window);
    for (QComboBox* box : window->findChildren<QComboBox*>())
        box->setStyle(style);
}

QPlainTextEdit* textBox(QWidget* container, const char* text) {
    auto* box = new QPlainTextEdit(QString::fromLatin1(text), container);
    // Tab leaves the box, as it leaves every other control, and is not typed.
    box->setTabChangesFocus(true);
    return box;
}

} // namespace

template <class W> W* frmMain::place(W* widget, const char* name, QRectF twips) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setFont(controlFont());
    placements_.push_back({widget, twips});
    return widget;
}

void frmMain::applyGeometry() {
    for (const Placement& p : placements_)
        p.widget->setGeometry(scale_.rect(p.twips));
    // The controls' area reaches below the self diagnostic's row; the status
    // line keeps to the bottom edge, outside what may scroll.
    const QSize client(scale_.toPx(kClientWidthTwips),
                       scale_.toPx(kOpeningHeightTwips) - statusLine_->height());
    client_->setMinimumSize(client);
    const QSize fitted = fittedToScreen(client + QSize(0, statusLine_->height()));
    setMinimumSize(fitted);
    resize(fitted);
    lampGrid_->setGeometry(QRect(QPoint(0, 0), buttonsFrame_->size()));
    lampGrid_->setScale(scale_);
}

QSize frmMain::fittedToScreen(QSize client) const {
    const QSize room = screen()->availableGeometry().size();
    const int bar = scrollArea_->verticalScrollBar()->sizeHint().width();
    QSize size = client;
    // A scroll bar along one edge takes room from the other.
    if (size.height() > room.height())
        size.rwidth() += bar;
    if (size.width() > room.width())
        size.rheight() += bar;
    return size.boundedTo(room);
}

// A screen smaller than the window (large text, a small laptop) scrolls the
// controls instead of cutting them off.
void frmMain::buildClient() {
    installListAccessibility();
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setObjectName(QStringLiteral("ScrollArea"));
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    // Tab goes to the controls; the area follows the focus by itself.
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    client_ = new QWidget;
    client_->setObjectName(QStringLiteral("Client"));
    scrollArea_->setWidget(client_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scrollArea_);
}

void frmMain::buildIdentityArea() {
    frame1_ = place(new QGroupBox(QStringLiteral("Device details "), client_), "Frame1",
                    {120, 0, 4455, 1935});
    frame1_->setEnabled(false);
    place(label(frame1_, "Serial Number"), "Label3", {240, 360, 1815, 285});
    place(label(frame1_, "Manufacturer"), "Label4", {240, 720, 1215, 285});
    place(label(frame1_, "Product"), "Label5", {240, 1080, 1215, 285});
    place(label(frame1_, "Version"), "Label2", {240, 1440, 1455, 285});
    // Always empty and covered by SerNo: hidden, so that a screen reader
    // does not stop on a nameless label.
    place(label(frame1_, ""), "lblSerialNumber", {1680, 360, 3300, 330})->hide();
    lblManuf_ = place(label(frame1_, ""), "lblManuf", {1680, 720, 3300, 330});
    lblProduct_ = place(label(frame1_, ""), "lblProduct", {1680, 1080, 3300, 330});
    lblVersion_ = place(label(frame1_, ""), "lblVersion", {1680, 1440, 3300, 330});
    // Made after lblSerialNumber so that it covers the label's left part.
    serNo_ = place(dropDownList(frame1_), "SerNo", {1680, 300, 1560, 360});
    serNo_->setEnabled(false);
    serNoList_.attach(serNo_, [this] { onSerNoSelected(); });
    controls_[static_cast<int>(Control::Frame1)] = frame1_;
}

void frmMain::buildEncoderArea() {
    frame3_ = place(new QGroupBox(QStringLiteral("Rotary encoders "), client_), "Frame3",
                    {120, 2040, 4455, 4815});
    frame3_->setEnabled(false);
    controls_[static_cast<int>(Control::Frame3)] = frame3_;
    for (int n = 1; n <= kEncoders; ++n) {
        const int row = (n - 1) % kEncodersPerColumn;
        const bool left = n <= kEncodersPerColumn;
        const QByteArray encName = "Enc" + QByteArray::number(n);
        QComboBox* enc = place(dropDownList(frame3_), encName.constData(),
                               {left ? 240.0 : 2400.0, 360.0 + kRowPitch * row, 900, 360});
        const QByteArray labelName = "Label" + QByteArray::number(n + 5);
        QLabel* pair =
            place(label(frame3_, QString::fromStdString(encoderButtons(n))), labelName.constData(),
                  {left ? 1260.0 : 3420.0, 420.0 + kRowPitch * row, left ? 1095.0 : 1000.0, 375});
        enc->setEnabled(false);
        pair->setEnabled(false);
        controls_[static_cast<int>(encControl(n))] = enc;
        controls_[static_cast<int>(encLabel(n))] = pair;
    }
    auto* line = place(new QFrame(frame3_), "Line1", {120, 4200, 4200, 15});
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    controls_[static_cast<int>(Control::Delay)] =
        place(dropDownList(frame3_), "Delay", {240, 4320, 1020, 360});
    controls_[static_cast<int>(Control::Label1)] =
        place(label(frame3_, "Pulse width"), "Label1", {1440, 4380, 1335, 375});
}

void frmMain::buildWindowControls() {
    rotaryPulse_ =
        place(new QCheckBox(QStringLiteral("Rotary switch produces button pulses"), client_),
              "RotaryPulse", {360, 6960, 3975, 375});
    controls_[static_cast<int>(Control::RotStart)] =
        place(dropDownList(client_), "RotStart", {360, 7440, 1020, 360});
    controls_[static_cast<int>(Control::Label22)] = place(
        label(client_, "Rotary switches starting position"), "Label22", {1560, 7485, 3135, 375});
    controls_[static_cast<int>(Control::Selftest)] =
        place(new QPushButton(QStringLiteral("Self Diagnostic"), client_), "Selftest",
              {360, 8760, 1575, 375});
    testResult_ = place(label(client_, ""), "TestResult", {2160, 8760, 2415, 315});
    // Beside a taller button, centring keeps the result nearer its text.
    testResult_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls_[static_cast<int>(Control::TestResult)] = testResult_;
    // Beside the self diagnostic, the board's settings to and from a file.
    auto* save = place(new QPushButton(QStringLiteral("Save\u2026"), client_), "SaveSettings",
                       {4680, 8760, 1455, 375});
    auto* load = place(new QPushButton(QStringLiteral("Load\u2026"), client_), "LoadSettings",
                       {6255, 8760, 1455, 375});
    settingsFile_ = new SettingsFileActions(
        *this, link_, session_, [this] { return serNoList_.text(); }, *save, *load);
    text1_ = place(textBox(client_, "Text1"), "Text1", {120, 9360, 4575, 2295});
    text2_ = place(textBox(client_, "Text2"), "Text2", {4800, 9480, 3855, 1455});
    // Kept for the diagnostic bytes, but never where a user could type.
    for (QPlainTextEdit* box : {text1_, text2_}) {
        box->hide();
        box->setFocusPolicy(Qt::NoFocus);
    }
    for (Control c : {Control::Delay, Control::Label1, Control::RotStart, Control::Label22,
                      Control::Selftest, Control::TestResult})
        controls_[static_cast<int>(c)]->setEnabled(false);
}

void frmMain::buildButtonsFrame() {
    buttonsFrame_ = place(new QGroupBox(QStringLiteral("Windows buttons"), client_), "ButtonsFrame",
                          kButtonsFrame);
    // The captions keep the window's default font, not the controls' one.
    lampGrid_ = new LampGrid(buttonsFrame_);
    QFont windowDefault = font();
    // Marked as set, or the grid would inherit the frame's font after all.
    windowDefault.setResolveMask(QFont::AllPropertiesResolved);
    lampGrid_->setFont(windowDefault);
}

void frmMain::buildStatusLine() {
    statusLine_ = new StatusLine(this);
    statusLine_->setFont(controlFont());
    const int margin = scale_.toPx(kStatusLineMargin);
    statusLine_->setContentsMargins(margin, 0, margin, margin / 2);
    statusLine_->setFixedHeight(scale_.toPx(kStatusLineHeight + kStatusLineMargin / 2));
    layout()->addWidget(statusLine_);
}

void frmMain::buildControls() {
    buildClient();
    buildIdentityArea();
    buildEncoderArea();
    buildWindowControls();
    buildButtonsFrame();
    buildStatusLine();
    applyGeometry();
    giveListsTextRoom(this);
    nameControls(client_);
    orderTabsByPlace(client_, scale_.toPx(kButtonsFrame.left()),
                     scale_.toPx(kButtonsFrame.bottom()));
}

void frmMain::layOutLamps() {
    lampGrid_->layOut(static_cast<float>(kButtonsFrame.width()),
                      static_cast<float>(kButtonsFrame.height()),
                      static_cast<float>(kLamp0.width()), static_cast<float>(kLamp0.height()));
}

} // namespace kestro
