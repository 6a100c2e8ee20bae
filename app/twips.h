// Positions and sizes of the layout are in twips (1440 per logical inch);
// the screen's logical DPI decides how many pixels that is.
#pragma once

#include <QRect>
#include <QRectF>
#include <cmath>

namespace kestro {

inline constexpr double kTwipsPerInch = 1440.0;

class TwipScale {
public:
    explicit TwipScale(double logicalDpi = 96.0) : pixelsPerTwip_(logicalDpi / kTwipsPerInch) {}

    int toPx(double twips) const { return static_cast<int>(std::lround(twips * pixelsPerTwip_)); }
    double toTwips(int px) const { return px / pixelsPerTwip_; }

    // Edges are rounded, not the size, so neighbours that touch in twips
    // touch on screen too.
    QRect rect(double left, double top, double width, double height) const {
        const int x = toPx(left);
        const int y = toPx(top);
        return {x, y, toPx(left + width) - x, toPx(top + height) - y};
    }
    QRect rect(const QRectF& twips) const {
        return rect(twips.x(), twips.y(), twips.width(), twips.height());
    }

private:
    double pixelsPerTwip_;
};

} // namespace kestro
