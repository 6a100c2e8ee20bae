// What one poll tick costs with a board open: the tick runs every 50 ms on
// the window's thread, so it must leave that thread free for the user.
#include "app/frm_main.h"
#include "sim/sim_platform.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using Report = std::vector<std::uint8_t>;

Report allButtons(std::uint8_t value) {
    return kestro::sim::buttonReport({value, value, value, value, value, value, value, value, value,
                                      value, value, value, value, value, value, value});
}

// The window loaded on one board, its lamps already showing `first`.
struct OpenWindow {
    explicit OpenWindow(const Report& first) : window(sim) {
        id = sim.plug(kestro::sim::saneBoard());
        window.Form_Load();
        sim.queueInputReport(id, first);
        window.PollDevice();
    }
    kestro::sim::SimPlatform sim;
    kestro::frmMain window;
    kestro::sim::SimPlatform::DeviceId id = 0;
};

void BM_PollTickReportUnchanged(benchmark::State& state) {
    const Report report = allButtons(0x5A);
    OpenWindow open(report);
    for (auto _ : state) {
        open.sim.queueInputReport(open.id, report);
        open.window.PollDevice();
    }
    if (!open.window.link().deviceDetected)
        state.SkipWithError("the board was lost during the run");
}
BENCHMARK(BM_PollTickReportUnchanged);

void BM_PollTickAllLampsChange(benchmark::State& state) {
    const Report released = allButtons(0x00);
    const Report pressed = allButtons(0xFF);
    OpenWindow open(released);
    bool down = false;
    for (auto _ : state) {
        down = !down;
        open.sim.queueInputReport(open.id, down ? pressed : released);
        open.window.PollDevice();
    }
    if (!open.window.link().deviceDetected)
        state.SkipWithError("the board was lost during the run");
}
BENCHMARK(BM_PollTickAllLampsChange);

} // namespace

int main(int argc, char** argv) {
    // The window needs a screen; the benchmark needs none to be real.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
