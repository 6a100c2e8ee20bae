// The Kestro Setup window on two simulated boards, for a look at the lamps,
// the lists and a board that comes and goes without any hardware.
#include "app/frm_main.h"
#include "app/hid_log_category.h"
#include "demo_boards.h"
#include "logging_platform.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    kestro::routeHidLogToCategory();
    kestro::sim::SimPlatform sim;
    kestro::demo::DemoBoards boards(sim);
    kestro::LoggingHidPlatform platform(sim);
    kestro::frmMain window(platform);
    window.Form_Load();
    boards.start();
    return QApplication::exec();
}
