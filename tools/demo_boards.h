// Two simulated boards whose buttons move in patterns that tell them apart;
// the second is unplugged and plugged back now and then.
#pragma once

#include "sim/sim_platform.h"

#include <QObject>
#include <QTimer>
#include <cstdint>

namespace kestro::demo {

// The button bytes of step `step` of each board's pattern.
std::vector<std::uint8_t> runningLight(int step); // three lamps chasing through all 128
std::vector<std::uint8_t> fallingRow(int step);   // one whole row of 8 moving down

class DemoBoards : public QObject {
    Q_OBJECT
public:
    explicit DemoBoards(sim::SimPlatform& sim);
    void start();

private:
    void queueNextReports();
    void togglePlug();
    void queueFor(sim::SimPlatform::DeviceId id, const std::vector<std::uint8_t>& report);

    sim::SimPlatform& sim_;
    sim::SimPlatform::DeviceId first_;
    sim::SimPlatform::DeviceId second_;
    sim::Board secondBoard_;
    bool secondPlugged_ = true;
    int step_ = 0;
    QTimer buttons_;
    QTimer plugCycle_;
};

} // namespace kestro::demo
