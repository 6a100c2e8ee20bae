// The one font every control of the window that sets a font uses.
#pragma once

#include <QFont>

namespace kestro {

// "MS Sans Serif" 9.75 pt, regular, where the family is installed; the
// system's sans-serif at that size elsewhere.
QFont controlFont();

} // namespace kestro
