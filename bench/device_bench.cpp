// How long the walks take that run on every tick while no board is open.
#include "device_link.h"
#include "fake_serial_list.h"
#include "sim/sim_platform.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// 32 interfaces: other vendors' devices, with four boards among them.
void plugThirtyTwo(kestro::sim::SimPlatform& platform) {
    for (int i = 0; i < 32; ++i) {
        kestro::sim::Board board = kestro::sim::saneBoard(u"K" + std::u16string(1, u'A' + i));
        if (i % 8 != 7)
            board.vendorId = 0x046D;
        platform.plug(board);
    }
}

void BM_ScanAndFindOverThirtyTwoInterfaces(benchmark::State& state) {
    kestro::sim::SimPlatform platform;
    plugThirtyTwo(platform);
    kestro::test::FakeSerialList serNo;
    kestro::DeviceLink link{platform, serNo};
    for (auto _ : state) {
        link.Scan_USB_devices();
        link.deviceDetected = link.FindTheHid();
        benchmark::DoNotOptimize(link.deviceDetected);
        link.deviceDetected = false;
        link.CloseBoard();
    }
}
BENCHMARK(BM_ScanAndFindOverThirtyTwoInterfaces);

void BM_ScanWithNoBoardAmongThirtyTwo(benchmark::State& state) {
    kestro::sim::SimPlatform platform;
    for (int i = 0; i < 32; ++i) {
        kestro::sim::Board board = kestro::sim::saneBoard();
        board.vendorId = 0x046D;
        platform.plug(board);
    }
    kestro::test::FakeSerialList serNo;
    kestro::DeviceLink link{platform, serNo};
    for (auto _ : state) {
        link.Scan_USB_devices();
        benchmark::DoNotOptimize(link.FindTheHid());
    }
}
BENCHMARK(BM_ScanWithNoBoardAmongThirtyTwo);

} // namespace
