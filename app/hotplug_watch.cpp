#include "hotplug_watch.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#ifdef _WIN32
#include "windows/device_notification.h"
#endif

namespace kestro {

HotplugWatch::HotplugWatch(std::unique_ptr<HotplugMonitor> monitor, std::function<void()> onChange,
                           QObject* parent)
    : QObject(parent), monitor_(std::move(monitor)), onChange_(std::move(onChange)) {
    if (monitor_->descriptor() >= 0) {
        notifier_ = new QSocketNotifier(monitor_->descriptor(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &HotplugWatch::take);
    }
}

HotplugWatch::~HotplugWatch() {
    if (native_)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::unique_ptr<HotplugWatch> HotplugWatch::forSystem(QWidget& window,
                                                      std::function<void()> onChange) {
#ifdef _WIN32
    std::unique_ptr<DeviceNotification> notification =
        DeviceNotification::registerWindow(reinterpret_cast<void*>(window.winId()));
    if (!notification)
        return nullptr;
    auto watch = std::make_unique<HotplugWatch>(std::move(notification), std::move(onChange));
    QCoreApplication::instance()->installNativeEventFilter(watch.get());
    watch->native_ = true;
    return watch;
#else
    (void)window;
    std::unique_ptr<HotplugMonitor> monitor = makeSystemHotplugMonitor();
    if (!monitor)
        return nullptr;
    return std::make_unique<HotplugWatch>(std::move(monitor), std::move(onChange));
#endif
}

void HotplugWatch::tick() {
    if (!notifier_ && !native_)
        take();
}

bool HotplugWatch::nativeEventFilter(const QByteArray& /*eventType*/, void* message,
                                     qintptr* /*result*/) {
#ifdef _WIN32
    if (static_cast<DeviceNotification*>(monitor_.get())->noteMessage(message))
        take();
#else
    (void)message;
#endif
    // The window sees the message too.
    return false;
}

void HotplugWatch::take() {
    if (monitor_->takeChanges())
        onChange_();
}

} // namespace kestro
