#include "accessible_names.h"

#include "config/setting_items.h"
#include "config/settings_table.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

namespace kestro {

namespace {

struct NamedControl {
    QString control;
    QString name;
    QString caption; // the label that shows the name on screen, if any
    std::optional<Setting> setting = std::nullopt; // whose description is the tooltip
};

std::vector<NamedControl> namedControls() {
    std::vector<NamedControl> named = {
        {"SerNo", "Serial number of the open board", "Label3"},
        {"Delay", "Pulse width", "Label1", Setting{SettingKind::PulseWidth}},
        {"RotaryPulse", "Rotary switch produces button pulses", "",
         Setting{SettingKind::RotaryPulses}},
        {"RotStart", "Rotary switches starting position", "Label22",
         Setting{SettingKind::RotaryStart}},
        {"Selftest", "Self diagnostic", ""},
        {"Text1", "Settings diagnostic text", ""},
        {"Text2", "Button report diagnostic text", ""},
        {"LampGrid", "Button lamps", ""},
        // Unnamed, Qt would call the line after its frame's title, space and all.
        {"Line1", "Separator", ""},
        // Group titles, drawn with a space the layout needs but no one says.
        {"Frame1", "Device details", ""},
        {"Frame3", "Rotary encoders", ""},
        {"ButtonsFrame", "Windows buttons", ""},
    };
    for (int n = 1; n <= 16; ++n)
        named.push_back({QStringLiteral("Enc%1").arg(n),
                         QStringLiteral("Encoder %1 mode (buttons %2)")
                             .arg(n)
                             .arg(QString::fromStdString(encoderButtons(n))),
                         QStringLiteral("Label%1").arg(n + 5),
                         Setting{SettingKind::EncoderMode, n}});
    return named;
}

// Qt names a drop-down list after its current item on Linux and leaves the
// rest to its caption, so sixteen lists would all be called "1:1". This one
// answers with the name the window gives the list, and its item as value.
class NamedListAccessible final : public QAccessibleWidget {
public:
    explicit NamedListAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("activated(int)"));
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value ||
            (t == QAccessible::Name && box()->accessibleName().isEmpty()))
            return box()->currentText();
        return QAccessibleWidget::text(t);
    }
    // The drop-down's list, as Qt's own interface for the list offers it.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == box()->view() ? 0 : -1;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* namedListFactory(const QString& classname, QObject* object) {
    if (classname == QLatin1String("QComboBox"))
        return new NamedListAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

QString spokenCaption(const QString& shown) {
    const QString spoken = shown.trimmed();
    return spoken.isEmpty() ? QStringLiteral("none") : spoken;
}

void installListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(namedListFactory);
        return true;
    }();
    (void)installed;
}

void nameControls(QWidget* client) {
    for (const NamedControl& c : namedControls()) {
        auto* widget = client->findChild<QWidget*>(c.control);
        if (!widget)
            continue;
        widget->setAccessibleName(c.name);
        auto* caption = client->findChild<QLabel*>(c.caption);
        if (caption)
            caption->setBuddy(widget);
        if (!c.setting)
            continue;
        const QString description = QString::fromStdString(settingDescription(*c.setting));
        widget->setToolTip(description);
        widget->setAccessibleDescription(description);
        if (caption)
            caption->setToolTip(description);
    }
    // Empty, Qt would call them after their frame's title, space and all.
    for (const char* value : {"lblSerialNumber", "lblManuf", "lblProduct", "lblVersion"})
        if (auto* label = client->findChild<QLabel*>(QLatin1String(value)))
            label->setAccessibleName(spokenCaption(label->text()));
    // The identity captions name the values beside them.
    const char* identity[][2] = {
        {"Label4", "lblManuf"}, {"Label5", "lblProduct"}, {"Label2", "lblVersion"}};
    for (const auto& [caption, value] : identity)
        if (auto* label = client->findChild<QLabel*>(QLatin1String(caption)))
            label->setBuddy(client->findChild<QWidget*>(QLatin1String(value)));
}

void orderTabsByPlace(QWidget* client, int columnSplit, int columnsBottom) {
    struct Stop {
        QWidget* widget;
        std::tuple<int, int, int, int> key; // band, column, top, left
    };
    std::vector<Stop> stops;
    for (QWidget* w : client->findChildren<QWidget*>()) {
        // Drop-down popups are windows of their own.
        if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() ||
            w->window() != client->window())
            continue;
        const QRect r(w->mapTo(client, QPoint(0, 0)), w->size());
        const bool below = r.top() >= columnsBottom;
        const int column = !below && r.left() >= columnSplit ? 1 : 0;
        stops.push_back({w, {below ? 1 : 0, column, r.top(), r.left()}});
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Stop& a, const Stop& b) { return a.key < b.key; });
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
}

} // namespace kestro
