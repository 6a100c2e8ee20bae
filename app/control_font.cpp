#include "control_font.h"

#include <QFontDatabase>

namespace kestro {

namespace {
constexpr double kPointSize = 9.75;
const char* const kFamily = "MS Sans Serif";
} // namespace

QFont controlFont() {
    const bool original = QFontDatabase::hasFamily(kFamily);
    QFont font = original ? QFont(kFamily) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    // The layout's label widths were made for the original's narrow letters;
    // a wider stand-in would cut "Manufacturer" and the longer captions.
    if (!original)
        font.setStretch(QFont::SemiCondensed);
    font.setPointSizeF(kPointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

} // namespace kestro
