// The 128 button lamps (Shape1) and their captions (BtnLbl), painted by one
// widget that covers the buttons frame, so its coordinates are the frame's.
#pragma once

#include "lamp_geometry.h"
#include "twips.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

namespace kestro {

class LampGrid : public QWidget {
    Q_OBJECT
public:
    explicit LampGrid(QWidget* frame);

    // Places every lamp from the frame's size and lamp 0's size, in twips.
    void layOut(float frameWidth, float frameHeight, float lampWidth, float lampHeight);
    void setScale(TwipScale scale);

    void setPressed(int k, bool pressed);
    // The lamp the arrow keys have reached, read out while the grid has focus.
    int currentLamp() const { return current_; }
    void setCurrentLamp(int k);
    bool pressed(int k) const { return pressed_[static_cast<std::size_t>(k)]; }
    QColor lampColor(int k) const;
    QColor captionColor(int k) const;
    static QString caption(int k) { return QString::number(k + 1); }
    // How many times a lamp was painted, changed or not: what a repaint costs.
    int lampsPainted() const { return lampsPainted_; }

    const GridSpacing& spacing() const { return spacing_; }
    QRectF lampRectTwips(int k) const;
    float captionTopTwips(int k) const { return place(k).captionTop; }
    // The caption spans the lamp's width and keeps its own height.
    QRectF captionRectTwips(int k) const;
    // Lamp k in the grid's own pixels.
    QRect lampRect(int k) const { return scale_.rect(lampRectTwips(k)); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void revealCurrentLamp();
    const LampPlace& place(int k) const { return places_[static_cast<std::size_t>(k)]; }

    TwipScale scale_;
    GridSpacing spacing_;
    std::array<LampPlace, kLamps> places_{};
    std::array<bool, kLamps> pressed_{};
    int current_ = 0;
    int lampsPainted_ = 0;
};

} // namespace kestro
