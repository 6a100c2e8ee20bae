// Brings a hot-plug monitor's news into the event loop: a socket notifier
// where the monitor has a descriptor, the window's native messages on
// Windows, otherwise a look at every poll tick.
#pragma once

#include "hotplug_monitor.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;
class QWidget;

namespace kestro {

class HotplugWatch final : public QObject, public QAbstractNativeEventFilter {
public:
    // onChange runs in the event loop whenever the monitor has news.
    HotplugWatch(std::unique_ptr<HotplugMonitor> monitor, std::function<void()> onChange,
                 QObject* parent = nullptr);
    ~HotplugWatch() override;

    // The system's monitor for window, or null where there is none.
    static std::unique_ptr<HotplugWatch> forSystem(QWidget& window, std::function<void()> onChange);

    // For monitors that wake nobody: takes their news at the tick.
    void tick();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void take();

    std::unique_ptr<HotplugMonitor> monitor_;
    std::function<void()> onChange_;
    QSocketNotifier* notifier_ = nullptr;
    bool native_ = false;
};

} // namespace kestro
