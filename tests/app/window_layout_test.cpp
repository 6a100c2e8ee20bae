// The window as it opens with no board: where the controls are, what they
// say, and which of them start disabled.
#include "app/control_font.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestro::test {
namespace {

class EmptyWindow : public WindowTest {
protected:
    void SetUp() override { load(); }
};

struct PlacedControl {
    const char* name;
    const char* container; // "Client": the scrolled area that holds the controls
    QRect px;              // at 96 DPI, 15 twips a pixel
};

TEST_F(EmptyWindow, ControlsSitAtTheirLayoutPlaces) {
    if (window->logicalDpiY() != 96)
        GTEST_SKIP() << "expected places are worked out for 96 DPI";
    const PlacedControl controls[] = {
        {"Frame1", "Client", {8, 0, 297, 129}},
        {"SerNo", "Frame1", {112, 20, 104, 24}},
        {"lblManuf", "Frame1", {112, 48, 220, 22}},
        {"Label2", "Frame1", {16, 96, 97, 19}},
        {"Frame3", "Client", {8, 136, 297, 321}},
        {"Enc1", "Frame3", {16, 24, 60, 24}},
        {"Enc8", "Frame3", {16, 248, 60, 24}},
        {"Enc9", "Frame3", {160, 24, 60, 24}},
        {"Enc16", "Frame3", {160, 248, 60, 24}},
        {"Label6", "Frame3", {84, 28, 73, 25}},
        {"Label21", "Frame3", {228, 252, 67, 25}},
        {"Line1", "Frame3", {8, 280, 280, 1}},
        {"Delay", "Frame3", {16, 288, 68, 24}},
        {"Label1", "Frame3", {96, 292, 89, 25}},
        {"RotaryPulse", "Client", {24, 464, 265, 25}},
        {"RotStart", "Client", {24, 496, 68, 24}},
        {"Label22", "Client", {104, 499, 209, 25}},
        {"Selftest", "Client", {24, 584, 105, 25}},
        {"TestResult", "Client", {144, 584, 161, 21}},
        {"ButtonsFrame", "Client", {312, 0, 273, 561}},
        {"Text1", "Client", {8, 624, 305, 153}},
        {"Text2", "Client", {320, 632, 257, 97}},
    };
    for (const PlacedControl& c : controls) {
        const QWidget* widget = control<QWidget>(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), c.px) << c.name;
        EXPECT_EQ(widget->parentWidget()->objectName(), c.container) << c.name;
    }
}

TEST_F(EmptyWindow, CaptionClientSizeAndIcon) {
    EXPECT_EQ(window->windowTitle(), "Kestro - Ver 1.10");
    const TwipScale twips = window->twips();
    // Taller than the layout's client area: the self diagnostic's row and
    // the status line are in sight.
    const QSize client(twips.toPx(8895), twips.toPx(kOpeningHeightTwips));
    EXPECT_EQ(window->size(), client);
    EXPECT_EQ(window->minimumSize(), client);
    EXPECT_GT(window->maximumHeight(), client.height());
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->windowIcon().pixmap(16, 16).isNull());
}

TEST_F(EmptyWindow, CaptionsAreTheLayouts) {
    EXPECT_EQ(control<QGroupBox>("Frame1")->title(), "Device details ");
    EXPECT_EQ(control<QGroupBox>("Frame3")->title(), "Rotary encoders ");
    EXPECT_EQ(control<QGroupBox>("ButtonsFrame")->title(), "Windows buttons");
    EXPECT_EQ(control<QPushButton>("Selftest")->text(), "Self Diagnostic");
    EXPECT_EQ(control<QCheckBox>("RotaryPulse")->text(), "Rotary switch produces button pulses");
    EXPECT_EQ(control<QLabel>("Label3")->text(), "Serial Number");
    EXPECT_EQ(control<QLabel>("Label22")->text(), "Rotary switches starting position");
    EXPECT_EQ(control<QLabel>("Label1")->text(), "Pulse width");
    EXPECT_EQ(control<QPlainTextEdit>("Text1")->toPlainText(), "Text1");
    EXPECT_EQ(control<QPlainTextEdit>("Text2")->toPlainText(), "Text2");
    for (int n = 1; n <= 16; ++n) {
        const QByteArray name = "Label" + QByteArray::number(n + 5);
        EXPECT_EQ(control<QLabel>(name.constData())->text(),
                  QStringLiteral("B%1 B%2").arg(2 * n - 1).arg(2 * n));
    }
}

TEST_F(EmptyWindow, NoBoardLeavesIdentityAndListsDisabledAndEmpty) {
    EXPECT_FALSE(control<QWidget>("Frame1")->isEnabled());
    EXPECT_FALSE(control<QWidget>("SerNo")->isEnabled());
    EXPECT_FALSE(control<QWidget>("Frame3")->isEnabled());
    EXPECT_FALSE(control<QWidget>("Selftest")->isEnabled());
    EXPECT_TRUE(control<QWidget>("RotaryPulse")->isEnabled());
    const char* lists[] = {"SerNo", "Enc1", "Enc16", "Delay", "RotStart"};
    for (const char* name : lists) {
        auto* box = control<QComboBox>(name);
        EXPECT_FALSE(box->isEnabled()) << name;
        EXPECT_FALSE(box->isEditable()) << name;
        EXPECT_EQ(box->count(), 0) << name;
    }
    EXPECT_FALSE(control<QWidget>("Label22")->isEnabled());
    EXPECT_TRUE(window->timer().isActive());
    EXPECT_EQ(interval(), 50);
}

TEST_F(EmptyWindow, AllLampsRestInButtonFaceWithDarkGreyCaptions) {
    const QColor buttonFace = lamps().palette().color(QPalette::Button);
    for (int k = 0; k < kLamps; ++k) {
        EXPECT_FALSE(lamps().pressed(k));
        EXPECT_EQ(lamps().lampColor(k), buttonFace);
        EXPECT_EQ(lamps().captionColor(k), QColor(0x40, 0x40, 0x40));
        EXPECT_EQ(LampGrid::caption(k), QString::number(k + 1));
    }
    EXPECT_NEAR(lamps().lampRectTwips(127).left(), 3598.33, 0.01);
    EXPECT_NEAR(lamps().captionTopTwips(0), 411.51, 0.01);
    // The grid covers the frame, so its coordinates are the frame's.
    EXPECT_EQ(lamps().geometry(), QRect(QPoint(0, 0), control<QWidget>("ButtonsFrame")->size()));
}

TEST_F(EmptyWindow, ControlsShareOneFontAndTheCaptionsKeepTheWindows) {
    const QFont expected = controlFont();
    EXPECT_DOUBLE_EQ(expected.pointSizeF(), 9.75);
    EXPECT_EQ(expected.weight(), QFont::Normal);
    for (const char* name : {"Frame1", "SerNo", "Enc3", "Label14", "RotaryPulse", "Selftest"})
        EXPECT_EQ(control<QWidget>(name)->font().toString(), expected.toString()) << name;
    EXPECT_EQ(lamps().font().toString(), window->font().toString());
}

} // namespace
} // namespace kestro::test
