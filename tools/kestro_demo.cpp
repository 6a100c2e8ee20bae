// The Kestro Setup window on two simulated boards, for a look at the lamps,
// the lists and a board that comes and goes without any hardware.
#include "app/frm_main.h"
#include "app/hid_log_category.h"
#include "demo_boards.h"
#include "logging_platform.h"
#include "sim/sim_hotplug_monitor.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    kestro::routeHidLogToCategory();
    kestro::sim::SimPlatform sim;
    kestro::demo::DemoBoards boards(sim);
    kestro::LoggingHidPlatform platform(sim);
    kestro::frmMain window(platform);
    // Nobody should take these lamps for a board on the desk.
    window.setWindowTitle(window.windowTitle() + QStringLiteral(" (demo: simulated boards)"));
    window.watchHotplug(std::make_unique<kestro::sim::SimHotplugMonitor>(sim));
    window.Form_Load();
    boards.start();
    return QApplication::exec();
}
