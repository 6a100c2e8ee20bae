#include "control_font.h"

#include <QFontDatabase>

namespace kestro {

namespace {
constexpr double kPointSize = 9.75;
const char* const kFamily = "MS Sans Serif";
} // namespace

QFont controlFont() {
    QFont font = QFontDatabase::hasFamily(kFamily)
                     ? QFont(kFamily)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kPointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

} // namespace kestro
