// What a screen reader says for each control of the window: a name that says
// what the control sets, the caption tied to it, and the visual Tab order.
#pragma once

#include <QString>

class QWidget;

namespace kestro {

// What a screen reader says for an identity caption: the board's text without
// its padding (" 1.1"), "none" while there is none.
QString spokenCaption(const QString& shown);

// Lets the window's lists answer with their names; before any list exists.
void installListAccessibility();

// Names the controls found by their object names under `client`, ties the
// captions to them as buddies.
void nameControls(QWidget* client);

// Tab follows the window's reading order: the left column from top to bottom
// (a row left to right), then the lamp grid in the right column, then the
// rows below both columns. `columnSplit` is where the right column starts and
// `columnsBottom` where both columns end, in the client's pixels.
void orderTabsByPlace(QWidget* client, int columnSplit, int columnsBottom);

} // namespace kestro
