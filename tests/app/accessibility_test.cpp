// The window as assistive technology, the keyboard and a dark or small screen
// meet it, read through Qt's accessibility interface.
#include "app/lamp_palette.h"
#include "config/settings_table.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QScrollArea>
#include <QSet>
#include <QStyleFactory>
#include <memory>

namespace kestro::test {
namespace {

// Two boards, so that the serial list is enabled and Tab stops on it.
class Accessible : public WindowTest {
protected:
    void SetUp() override {
        sim.plug(sim::saneBoard(u"K0001"));
        id = sim.plug(sim::saneBoard(u"K0002"));
        load();
        ASSERT_TRUE(boardOpen());
    }
    QAccessibleInterface* face(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
    QStringList tabStops() {
        QStringList stops;
        for (QWidget* w = combo("SerNo"); stops.size() < 40 && !stops.contains(w->objectName());
             w = QApplication::focusWidget()) {
            stops << w->objectName();
            QTest::keyClick(w, Qt::Key_Tab);
        }
        return stops;
    }
    DeviceId id = 0;
};

TEST_F(Accessible, EveryFocusableControlHasAUniqueNameThatIsNotItsValue) {
    QSet<QString> names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->window() != window.get())
            continue;
        const QString name = face(w)->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
        EXPECT_NE(name, face(w)->text(QAccessible::Value)) << w->objectName().toStdString();
        EXPECT_FALSE(names.contains(name)) << name.toStdString();
        names << name;
    }
    EXPECT_EQ(face(combo("Enc1"))->text(QAccessible::Name), "Encoder 1 mode (buttons B1 B2)");
    // The description is the settings table's, the one kestroctl's help prints.
    EXPECT_EQ(combo("Enc5")->toolTip(),
              QString::fromStdString(settingDescription({SettingKind::EncoderMode, 5})));
    EXPECT_EQ(face(combo("Delay"))->text(QAccessible::Description), combo("Delay")->toolTip());
    EXPECT_EQ(face(control<QWidget>("Frame1"))->text(QAccessible::Name), "Device details");
    EXPECT_EQ(face(control<QWidget>("lblVersion"))->text(QAccessible::Name), "1.3");
}

TEST_F(Accessible, GridHasALampChildPerButtonWhosePressedStateFollowsTheBoard) {
    sim.queueInputReport(id, sim::buttonReport({0x01, 0x00, 0x01}));
    window->PollDevice();
    QAccessibleInterface* grid = face(&lamps());
    ASSERT_EQ(grid->childCount(), kLamps);
    for (int k = 0; k < kLamps; ++k) {
        QAccessibleInterface* lamp = grid->child(k);
        EXPECT_EQ(lamp->text(QAccessible::Name), QStringLiteral("Button %1").arg(k + 1));
        EXPECT_EQ(lamp->state().pressed, k == 0 || k == 16) << k;
        EXPECT_EQ(grid->indexOfChild(lamp), k);
        EXPECT_EQ(lamp->parent(), grid);
    }
}

TEST_F(Accessible, TabFollowsTheReadingOrderAndArrowsWalkTheLamps) {
    activate();
    QStringList expected{"SerNo"};
    for (int n = 1; n <= 8; ++n)
        expected << QStringLiteral("Enc%1").arg(n) << QStringLiteral("Enc%1").arg(n + 8);
    expected << "Delay"
             << "RotaryPulse"
             << "RotStart"
             << "LampGrid"
             << "Selftest"
             << "SaveSettings"
             << "LoadSettings";
    EXPECT_EQ(tabStops(), expected);

    lamps().setFocus(Qt::TabFocusReason);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up})
        QTest::keyClick(&lamps(), key);
    EXPECT_EQ(lamps().currentLamp(), 8);
    EXPECT_EQ(face(&lamps())->focusChild(), face(&lamps())->child(8));
    EXPECT_TRUE(face(&lamps())->child(8)->state().focused);
    QTest::keyClick(&lamps(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "Selftest");
}

struct Theme {
    const char* name;
    QPalette palette;
};

TEST_F(Accessible, LampCaptionsStayReadableInLightAndDarkPalettes) {
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
    const Theme themes[] = {{"light", fusion->standardPalette()}, {"dark", dark}};
    sim.queueInputReport(id, sim::buttonReport({0x01}));
    window->PollDevice();
    for (const Theme& t : themes) {
        lamps().setPalette(t.palette);
        for (int k : {0, 1}) // lit, unlit
            EXPECT_GE(contrastRatio(lamps().captionColor(k), lamps().lampColor(k)), 4.5)
                << t.name << " lamp " << k;
    }
}

TEST(ContrastRatio, MatchesTheWcagFormula) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::red, Qt::red), 1.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::red), 5.25, 0.01);
}

} // namespace
} // namespace kestro::test
