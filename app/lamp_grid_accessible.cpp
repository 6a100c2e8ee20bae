#include "lamp_grid_accessible.h"

#include "lamp_grid.h"

#include <QPointer>

namespace kestro {

namespace {

// One lamp: a toggle that the board, not the user, switches.
class LampAccessible final : public QAccessibleInterface {
public:
    LampAccessible(LampGrid* grid, int k) : grid_(grid), k_(k) {}

    bool isValid() const override { return !grid_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(grid_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return QStringLiteral("Button %1").arg(k_ + 1);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!grid_)
            return {};
        const QRect local = grid_->lampRect(k_);
        return {grid_->mapToGlobal(local.topLeft()), local.size()};
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!grid_)
            return s;
        s.checkable = true;
        s.readOnly = true;
        s.checked = grid_->pressed(k_);
        s.pressed = grid_->pressed(k_);
        s.focusable = true;
        s.focused = grid_->hasFocus() && grid_->currentLamp() == k_;
        s.invisible = !grid_->isVisible();
        return s;
    }

private:
    QPointer<LampGrid> grid_;
    int k_;
};

// Whether assistive technology listens, kept as the platform reports changes,
// so the poll tick asks a flag rather than the platform for each lamp.
class Listening final : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override { active_ = active; }
    bool active_ = false;
};
Listening listening;

QAccessibleInterface* lampGridFactory(const QString&, QObject* object) {
    if (auto* grid = qobject_cast<LampGrid*>(object))
        return new LampGridAccessible(grid);
    return nullptr;
}

} // namespace

LampGridAccessible::LampGridAccessible(LampGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Grouping) {}

LampGridAccessible::~LampGridAccessible() {
    for (QAccessible::Id id : lampIds_)
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
}

LampGrid* LampGridAccessible::grid() const {
    return static_cast<LampGrid*>(widget());
}

int LampGridAccessible::childCount() const {
    return kLamps;
}

QAccessibleInterface* LampGridAccessible::child(int index) const {
    if (index < 0 || index >= kLamps)
        return nullptr;
    QAccessible::Id& id = lampIds_[static_cast<std::size_t>(index)];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new LampAccessible(grid(), index));
    return QAccessible::accessibleInterface(id);
}

int LampGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (int k = 0; k < kLamps; ++k)
        if (lampIds_[static_cast<std::size_t>(k)] != 0 && this->child(k) == child)
            return k;
    return -1;
}

QAccessibleInterface* LampGridAccessible::childAt(int x, int y) const {
    const QPoint local = grid()->mapFromGlobal(QPoint(x, y));
    for (int k = 0; k < kLamps; ++k)
        if (grid()->lampRect(k).contains(local))
            return child(k);
    return nullptr;
}

QAccessibleInterface* LampGridAccessible::focusChild() const {
    return grid()->hasFocus() ? child(grid()->currentLamp()) : nullptr;
}

void installLampGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(lampGridFactory);
        QAccessible::installActivationObserver(&listening);
        listening.active_ = QAccessible::isActive();
        return true;
    }();
    (void)installed;
}

bool assistiveTechnologyListens() {
    return listening.active_;
}

void announceLampState(LampGrid* grid, int k) {
    QAccessible::State changed;
    changed.checked = true;
    changed.pressed = true;
    QAccessibleStateChangeEvent event(grid, changed);
    event.setChild(k);
    QAccessible::updateAccessibility(&event);
}

void announceLampFocus(LampGrid* grid, int k) {
    QAccessibleEvent event(grid, QAccessible::Focus);
    event.setChild(k);
    QAccessible::updateAccessibility(&event);
}

} // namespace kestro
