#include "windows/overlapped_port.h"

#include "hid_log.h"

#include <string>

namespace kestro::windows_hid {

OverlappedPort::OverlappedPort(HANDLE file, HANDLE event) : file_(file) {
    overlapped_.hEvent = event;
}

PortResult OverlappedPort::failed(const char* call) {
    const DWORD error = ::GetLastError();
    if (hidLogEnabled())
        hidLog(std::string("read: ") + call + " failed, error " + std::to_string(error));
    return {PortStatus::Failed, 0};
}

PortResult OverlappedPort::start(std::uint8_t* slot, std::uint32_t size) {
    // Reads always start at offset 0: a HID handle has no file position.
    overlapped_.Offset = 0;
    overlapped_.OffsetHigh = 0;
    DWORD count = 0;
    if (::ReadFile(file_, slot, size, &count, &overlapped_))
        return {PortStatus::Completed, count};
    if (::GetLastError() == ERROR_IO_PENDING)
        return {PortStatus::Pending, 0};
    return failed("ReadFile");
}

PortResult OverlappedPort::poll() {
    DWORD count = 0;
    if (::GetOverlappedResult(file_, &overlapped_, &count, FALSE))
        return {PortStatus::Completed, count};
    if (::GetLastError() == ERROR_IO_INCOMPLETE)
        return {PortStatus::Pending, 0};
    return failed("GetOverlappedResult");
}

void OverlappedPort::cancelAndWait() {
    // A read that completed between the last poll and now makes the cancel
    // fail with ERROR_NOT_FOUND; the wait below is right either way.
    ::CancelIoEx(file_, &overlapped_);
    DWORD count = 0;
    ::GetOverlappedResult(file_, &overlapped_, &count, TRUE);
}

} // namespace kestro::windows_hid
