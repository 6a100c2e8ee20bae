// Kestro Setup: the window on the system's HID stack, every call passing
// through the logging decorator so that the debug category can show it.
#include "app/frm_main.h"
#include "app/hid_log_category.h"
#include "kestro_version.h"
#include "logging_platform.h"
#include "system_platform.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestro Setup"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRO_VERSION));
    // Wayland has no window class: this id is how the desktop ties the window
    // to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.kestro.KestroSetup"));
    kestro::routeHidLogToCategory();
    const std::unique_ptr<kestro::HidPlatform> system = kestro::makeSystemHidPlatform();
    kestro::LoggingHidPlatform platform(*system);
    kestro::frmMain window(platform);
    // Listening before the first walk, so that no arrival falls between.
    window.watchSystemHotplug();
    window.Form_Load();
    return QApplication::exec();
}
