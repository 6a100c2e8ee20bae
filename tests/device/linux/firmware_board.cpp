#include "firmware_board.h"

#include "board_descriptors.h"
#include "kestro_ids.h"

#include <algorithm>

namespace kestro::test {

FirmwareBoard::FirmwareBoard(const std::string& name, const sim::Firmware& initial)
    : firmware_(initial),
      board_(
          UhidBoardInfo{name, "KP-" + name, KESTRO_VENDOR_ID, 0x1143, 0x0110, kUnnumbered},
          FeatureAnswers{[this](std::uint8_t number, const Bytes& data) { set(number, data); },
                         [this](std::uint8_t number, Bytes& data) { return get(number, data); }}) {}

sim::Firmware FirmwareBoard::firmware() {
    std::lock_guard lock(mutex_);
    return firmware_;
}

void FirmwareBoard::edit(const std::function<void(sim::Firmware&)>& change) {
    std::lock_guard lock(mutex_);
    change(firmware_);
}

std::vector<std::uint8_t> FirmwareBoard::reportNumbers() {
    std::lock_guard lock(mutex_);
    return reportNumbers_;
}

int FirmwareBoard::gets() {
    std::lock_guard lock(mutex_);
    return gets_;
}

void FirmwareBoard::forgetTraffic() {
    std::lock_guard lock(mutex_);
    firmware_.received.clear();
    reportNumbers_.clear();
    gets_ = 0;
}

void FirmwareBoard::set(std::uint8_t number, const Bytes& data) {
    std::lock_guard lock(mutex_);
    reportNumbers_.push_back(number);
    firmware_.receive(data.data(), static_cast<std::uint32_t>(data.size()));
}

bool FirmwareBoard::get(std::uint8_t number, Bytes& data) {
    std::lock_guard lock(mutex_);
    reportNumbers_.push_back(number);
    ++gets_;
    sim::Firmware& f = firmware_;
    const bool settings = f.pending == sim::Firmware::Pending::Settings && !f.readback.empty();
    const sim::Reply* next =
        settings ? &f.readback[std::min(f.replyCursor, f.readback.size() - 1)] : nullptr;
    // A raw reply goes out as the board sends it, short ones included: uhid
    // hands the host exactly these bytes.
    if (next != nullptr && next->kind == sim::Reply::Kind::Raw) {
        ++f.replyCursor;
        data = next->bytes;
        return true;
    }
    data.assign(kFeatureLength, 0);
    data[0] = number;
    return f.answer(data.data(), static_cast<std::uint32_t>(data.size()));
}

} // namespace kestro::test
