// How long the walks take that run on every tick while no board is open.
#include "device_link.h"
#include "serial_list.h"
#include "sim/sim_platform.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class NullSerialList : public kestro::SerialListView {
public:
    std::string text() const override { return selected < 0 ? "" : items[selected]; }
    void clear() override {
        items.clear();
        selected = -1;
    }
    void setEnabled(bool) override {}
    void addItem(int index, const std::string& text) override {
        items.insert(items.begin() + index, text);
    }
    void select(int index) override { selected = index; }

private:
    std::vector<std::string> items;
    int selected = -1;
};

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
    NullSerialList serNo;
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
    NullSerialList serNo;
    kestro::DeviceLink link{platform, serNo};
    for (auto _ : state) {
        link.Scan_USB_devices();
        benchmark::DoNotOptimize(link.FindTheHid());
    }
}
BENCHMARK(BM_ScanWithNoBoardAmongThirtyTwo);

} // namespace
