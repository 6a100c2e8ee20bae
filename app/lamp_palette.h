// Lamp and caption colours that stay readable on any desktop theme, judged by
// the WCAG contrast ratio.
#pragma once

#include <QColor>
#include <QPalette>

namespace kestro {

// Text needs this much contrast against its background to be read easily.
inline constexpr double kReadableContrast = 4.5;

// WCAG 2 relative luminance of an sRGB colour, 0 (black) to 1 (white).
double relativeLuminance(const QColor& color);
// WCAG 2 contrast ratio of two colours, 1 (same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

struct LampColors {
    QColor lamp;
    QColor caption;
};

// The design's colours where they can be read on the palette; otherwise the
// palette's own text colour, or black or white when even that is too faint.
LampColors releasedLampColors(const QPalette& palette);
LampColors pressedLampColors(const QPalette& palette);

} // namespace kestro
