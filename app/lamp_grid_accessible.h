// The lamp grid as a screen reader sees it: one child for each lamp, named
// after its button and pressed while the button is held.
#pragma once

#include <QAccessibleWidget>
#include <array>

namespace kestro {

class LampGrid;

class LampGridAccessible final : public QAccessibleWidget {
public:
    explicit LampGridAccessible(LampGrid* grid);
    ~LampGridAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    LampGrid* grid() const;

    // Made when first asked for and kept, so that every query of a lamp
    // answers with the same interface, as assistive technology expects.
    mutable std::array<QAccessible::Id, 128> lampIds_{};
};

// Lets Qt build the grid's interface whenever assistive technology asks.
void installLampGridAccessibility();

// QAccessible::isActive(), without asking the platform each time.
bool assistiveTechnologyListens();

// Tell listening assistive technology that lamp k lit or went out, or that
// the keyboard moved to it.
void announceLampState(LampGrid* grid, int k);
void announceLampFocus(LampGrid* grid, int k);

} // namespace kestro
