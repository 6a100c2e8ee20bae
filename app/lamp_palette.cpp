#include "lamp_palette.h"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

const QColor kPressedLamp(0xFF, 0x00, 0x00);
const QColor kPressedCaption(0x00, 0x00, 0x00);
const QColor kReleasedCaption(0x40, 0x40, 0x40);

double linearChannel(double srgb) {
    return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
}

// The first of the candidates that can be read on the background, or the
// better of black and white.
QColor readableOn(const QColor& background, const QColor& preferred, const QColor& themed) {
    for (const QColor& candidate : {preferred, themed})
        if (contrastRatio(candidate, background) >= kReadableContrast)
            return candidate;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

} // namespace

double relativeLuminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * linearChannel(rgb.redF()) + 0.7152 * linearChannel(rgb.greenF()) +
           0.0722 * linearChannel(rgb.blueF());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

LampColors releasedLampColors(const QPalette& palette) {
    const QColor face = palette.color(QPalette::Button);
    return {face, readableOn(face, kReleasedCaption, palette.color(QPalette::ButtonText))};
}

LampColors pressedLampColors(const QPalette& palette) {
    // Red on any theme: the lamp's meaning does not change with the desktop.
    return {kPressedLamp,
            readableOn(kPressedLamp, kPressedCaption, palette.color(QPalette::ButtonText))};
}

} // namespace kestro
