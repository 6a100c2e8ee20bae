// ReadPort on ReadFile with an OVERLAPPED record: the record lives here, beside
// the handle, for as long as a read started with it can complete.
#pragma once

#include "windows/read_channel.h"
#include "windows/win32_hid.h"

namespace kestro::windows_hid {

class OverlappedPort final : public ReadPort {
public:
    // event signals completion; nullptr leaves it to the file handle.
    OverlappedPort(HANDLE file, HANDLE event);

    PortResult start(std::uint8_t* slot, std::uint32_t size) override;
    PortResult poll() override;
    void cancelAndWait() override;

private:
    PortResult failed(const char* call);

    HANDLE file_;
    OVERLAPPED overlapped_{};
};

} // namespace kestro::windows_hid
