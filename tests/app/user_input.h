// What a user does to the window, delivered to the real widgets as the window
// system delivers it: mouse clicks, key presses and wheel notches.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include <gtest/gtest.h>

namespace kestro::test {

// Opens the list's drop-down and clicks the item that shows text, as a mouse
// does: the list changes once, straight to that item.
inline void pick(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(view->isVisible()) << "drop-down did not open";
    const QModelIndex item = view->model()->index(index, box->modelColumn());
    view->scrollTo(item);
    // The item may be laid out wider than the drop-down shows it.
    const QPoint at = view->visualRect(item).intersected(view->viewport()->rect()).center();
    // Hovering highlights the item; releasing the button over it chooses it.
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    ASSERT_FALSE(view->isVisible()) << "drop-down still open";
}

// Opens the drop-down, moves through it with the arrow keys and chooses the
// highlighted item with Enter.
inline void pickByKeys(QComboBox* box, Qt::Key arrow, int presses) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(view->isVisible()) << "drop-down did not open";
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(view, arrow);
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_FALSE(view->isVisible()) << "drop-down still open";
}

// Arrow keys on a closed list that has the keyboard focus, as after a Tab.
inline void stepByKeys(QComboBox* box, Qt::Key arrow, int presses) {
    box->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(box, arrow);
}

// Wheel notches over the middle of the widget, down for negative counts. A
// spontaneous event, as from the window system, so that one the widget
// ignores goes on to its parent.
inline void turnWheel(QWidget* widget, int notches) {
    const QPointF at = QRectF(widget->rect()).center();
    const int step = notches < 0 ? -120 : 120;
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, step), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::instance()->notify(widget, &event);
    }
}

// Clicks the box's tick square, not merely somewhere in the widget.
inline void clickTickBox(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect square = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, square.center());
}

} // namespace kestro::test
