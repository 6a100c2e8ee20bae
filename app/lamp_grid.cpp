#include "lamp_grid.h"

#include "lamp_grid_accessible.h"
#include "lamp_palette.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <algorithm>
#include <optional>

namespace kestro {

namespace {
const QColor kLampOutline(0x40, 0x40, 0x40);

// Where an arrow key or Home/End takes the keyboard from lamp k (possibly
// past the grid's edge); nothing for a key the grid leaves to the window.
std::optional<int> lampAfterKey(int k, int key) {
    switch (key) {
    case Qt::Key_Left:
        return k - 1;
    case Qt::Key_Right:
        return k + 1;
    case Qt::Key_Up:
        return k - kLampColumns;
    case Qt::Key_Down:
        return k + kLampColumns;
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return kLamps - 1;
    default:
        return std::nullopt;
    }
}
} // namespace

LampGrid::LampGrid(QWidget* frame) : QWidget(frame) {
    setObjectName(QStringLiteral("LampGrid"));
    // The frame's border and caption show through between the lamps.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Reached by Tab, so the keyboard can walk the lamps.
    setFocusPolicy(Qt::TabFocus);
    installLampGridAccessibility();
}

void LampGrid::setScale(TwipScale scale) {
    scale_ = scale;
    update();
}

void LampGrid::layOut(float frameWidth, float frameHeight, float lampWidth, float lampHeight) {
    spacing_ = gridSpacing(frameWidth, frameHeight, lampWidth, lampHeight);
    for (int k = 0; k < kLamps; ++k)
        places_[static_cast<std::size_t>(k)] = lampPlace(spacing_, k, lampWidth, lampHeight);
    update();
}

QRectF LampGrid::lampRectTwips(int k) const {
    const LampPlace& p = place(k);
    return {p.left, p.top, p.width, p.height};
}

QRectF LampGrid::captionRectTwips(int k) const {
    const LampPlace& p = place(k);
    return {p.left, p.captionTop, p.width, kCaptionHeightTwips};
}

void LampGrid::setPressed(int k, bool pressed) {
    ++lampsPainted_;
    bool& state = pressed_[static_cast<std::size_t>(k)];
    if (state == pressed)
        return;
    state = pressed;
    update(scale_.rect(lampRectTwips(k)).united(scale_.rect(captionRectTwips(k))));
    // Building the event costs the poll tick only while someone listens.
    if (assistiveTechnologyListens())
        announceLampState(this, k);
}

void LampGrid::setCurrentLamp(int k) {
    const int next = std::clamp(k, 0, kLamps - 1);
    if (next == current_)
        return;
    update(lampRect(current_).adjusted(-3, -3, 3, 3));
    current_ = next;
    update(lampRect(current_).adjusted(-3, -3, 3, 3));
    revealCurrentLamp();
    if (hasFocus() && QAccessible::isActive())
        announceLampFocus(this, current_);
}

void LampGrid::revealCurrentLamp() {
    // The grid is taller than a small screen: the scroll area that holds it
    // follows the keyboard from lamp to lamp.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(w)) {
            const QRect lamp = lampRect(current_).united(scale_.rect(captionRectTwips(current_)));
            const QPoint centre = mapTo(area->widget(), lamp.center());
            area->ensureVisible(centre.x(), centre.y(), lamp.width(), lamp.height());
            return;
        }
    }
}

QColor LampGrid::lampColor(int k) const {
    return pressed(k) ? pressedLampColors(palette()).lamp : releasedLampColors(palette()).lamp;
}

QColor LampGrid::captionColor(int k) const {
    return pressed(k) ? pressedLampColors(palette()).caption
                      : releasedLampColors(palette()).caption;
}

void LampGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const LampColors colors[] = {releasedLampColors(palette()), pressedLampColors(palette())};
    for (int k = 0; k < kLamps; ++k) {
        const QRect lamp = lampRect(k);
        const QRect captionRect = scale_.rect(captionRectTwips(k));
        if (!event->rect().intersects(lamp.united(captionRect).adjusted(-3, -3, 3, 3)))
            continue;
        const LampColors& c = colors[pressed(k) ? 1 : 0];
        painter.setPen(kLampOutline);
        painter.setBrush(c.lamp);
        painter.drawRect(lamp.adjusted(0, 0, -1, -1));
        painter.setPen(c.caption);
        painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop, caption(k));
        if (k == current_ && hasFocus()) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(lamp.adjusted(-2, -2, 1, 1));
        }
    }
}

void LampGrid::keyPressEvent(QKeyEvent* event) {
    const std::optional<int> next = lampAfterKey(current_, event->key());
    if (!next || (event->modifiers() & ~Qt::KeypadModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    // At the grid's edge the key is spent all the same, so focus stays put.
    if (*next >= 0 && *next < kLamps)
        setCurrentLamp(*next);
}

void LampGrid::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update(lampRect(current_).adjusted(-3, -3, 3, 3));
    // After the scroll area has centred the whole grid, which a small screen
    // cannot hold, the lamp under the keyboard shows.
    QMetaObject::invokeMethod(this, &LampGrid::revealCurrentLamp, Qt::QueuedConnection);
    // The grid's own focus event names the grid; this one names the lamp.
    if (QAccessible::isActive())
        announceLampFocus(this, current_);
}

void LampGrid::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update(lampRect(current_).adjusted(-3, -3, 3, 3));
}

} // namespace kestro
