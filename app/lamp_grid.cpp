#include "lamp_grid.h"

#include <QPaintEvent>
#include <QPainter>

namespace kestro {

namespace {
const QColor kPressedLamp(0xFF, 0x00, 0x00);
const QColor kPressedCaption(0x00, 0x00, 0x00);
const QColor kReleasedCaption(0x40, 0x40, 0x40);
const QColor kLampOutline(0x40, 0x40, 0x40);
} // namespace

LampGrid::LampGrid(QWidget* frame) : QWidget(frame) {
    setObjectName(QStringLiteral("LampGrid"));
    // The frame's border and caption show through between the lamps.
    setAttribute(Qt::WA_TransparentForMouseEvents);
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
}

QColor LampGrid::lampColor(int k) const {
    return pressed(k) ? kPressedLamp : palette().color(QPalette::Button);
}

QColor LampGrid::captionColor(int k) const {
    return pressed(k) ? kPressedCaption : kReleasedCaption;
}

void LampGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (int k = 0; k < kLamps; ++k) {
        const QRect lamp = scale_.rect(lampRectTwips(k));
        const QRect captionRect = scale_.rect(captionRectTwips(k));
        if (!event->rect().intersects(lamp.united(captionRect)))
            continue;
        painter.setPen(kLampOutline);
        painter.setBrush(lampColor(k));
        painter.drawRect(lamp.adjusted(0, 0, -1, -1));
        painter.setPen(captionColor(k));
        painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop, caption(k));
    }
}

} // namespace kestro
