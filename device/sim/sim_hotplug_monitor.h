// The simulator's plugs and unplugs as hot-plug news.
#pragma once

#include "hotplug_monitor.h"
#include "sim/sim_platform.h"

namespace kestro::sim {

class SimHotplugMonitor final : public HotplugMonitor {
public:
    explicit SimHotplugMonitor(const SimPlatform& sim) : sim_(sim), seen_(sim.plugEvents()) {}

    bool takeChanges() override {
        const bool changed = sim_.plugEvents() != seen_;
        seen_ = sim_.plugEvents();
        return changed;
    }

private:
    const SimPlatform& sim_;
    int seen_;
};

} // namespace kestro::sim
