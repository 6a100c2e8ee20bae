#include "windows/windows_hid_platform.h"

#include "hid_log.h"
#include "windows/overlapped_port.h"
#include "windows/short_replies.h"
#include "windows/win32_hid.h"

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

namespace {

// A detail record larger than this is no path the system would give.
constexpr DWORD kMaxDetailSize = 64 * 1024;
// No board takes a second to refuse a request: one that failed after so
// long ran into the driver's own timeout.
constexpr DWORD kGivenUpAfterMs = 1000;

SECURITY_ATTRIBUTES toWin32(const SecurityAttributes& security) {
    SECURITY_ATTRIBUTES attributes{};
    // The record's size is the platform's own: 12 bytes on a 32-bit system,
    // 24 here.
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = security.lpSecurityDescriptor;
    attributes.bInheritHandle = security.bInheritHandle != 0 ? TRUE : FALSE;
    return attributes;
}

void logError(const std::string& what) {
    if (hidLogEnabled())
        hidLog(what + " failed, error " + std::to_string(::GetLastError()));
}

void logShortExchange(windows_hid::ShortReplies& replies) {
    const std::optional<std::string> line = replies.endExchange();
    if (line && hidLogEnabled())
        hidLog(*line);
}

class SetupDiSet final : public HidDeviceSet {
public:
    SetupDiSet(HDEVINFO set, const GUID& hidGuid) : set_(set), hidGuid_(hidGuid) {}
    ~SetupDiSet() override { ::SetupDiDestroyDeviceInfoList(set_); }
    SetupDiSet(const SetupDiSet&) = delete;
    SetupDiSet& operator=(const SetupDiSet&) = delete;

    bool interfaceAt(std::uint32_t index, std::string& path) override {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!::SetupDiEnumDeviceInterfaces(set_, nullptr, &hidGuid_, index, &data))
            return false;
        path = detailPath(data);
        return true;
    }

private:
    // The interface's path; empty when the system would not say, which the
    // open that follows turns into a skipped interface.
    std::string detailPath(SP_DEVICE_INTERFACE_DATA& data) {
        DWORD required = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set_, &data, nullptr, 0, &required, nullptr);
        constexpr DWORD pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        if (required <= pathOffset || required > kMaxDetailSize)
            return {};
        // One zero byte more than asked for, so the path ends inside the
        // buffer whatever the system wrote.
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(required) + 1, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        // The record's own size, not the buffer's: 5 on a 32-bit system, 8 here.
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!::SetupDiGetDeviceInterfaceDetailA(set_, &data, detail, required, nullptr, nullptr))
            return {};
        const char* text = reinterpret_cast<const char*>(buffer.data() + pathOffset);
        return std::string(text, ::strnlen(text, buffer.size() - pathOffset));
    }

    HDEVINFO set_;
    GUID hidGuid_;
};

} // namespace

struct WindowsHidPlatform::OpenHandle {
    HANDLE file = INVALID_HANDLE_VALUE;
    OpenMode mode = OpenMode::Synchronous;
    std::string path;
    // Overlapped handles only, made at the first read. The port holds the
    // OVERLAPPED record and the channel the buffer of the read in flight,
    // so both stay put until close has waited for that read to end.
    std::unique_ptr<windows_hid::OverlappedPort> port;
    std::unique_ptr<windows_hid::ReadChannel> channel;
    bool noReports = false;
    windows_hid::ShortReplies shortReplies;
};

WindowsHidPlatform::WindowsHidPlatform() = default;

WindowsHidPlatform::~WindowsHidPlatform() {
    for (auto& [handle, open] : handles_) {
        if (open->channel)
            open->channel->shutdown();
        ::CloseHandle(open->file);
    }
}

WindowsHidPlatform::OpenHandle* WindowsHidPlatform::find(HidHandle handle) {
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second.get();
}

std::unique_ptr<HidDeviceSet> WindowsHidPlatform::presentInterfaces() {
    GUID hidGuid{};
    ::HidD_GetHidGuid(&hidGuid);
    const HDEVINFO set =
        ::SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        logError("SetupDiGetClassDevsA");
        return nullptr;
    }
    auto present = std::make_unique<SetupDiSet>(set, hidGuid);
    forgetGoneSilentDevices(*present);
    return present;
}

HidHandle WindowsHidPlatform::open(const std::string& path, OpenMode mode,
                                   const SecurityAttributes& security) {
    SECURITY_ATTRIBUTES attributes = toWin32(security);
    const DWORD flags = mode == OpenMode::Overlapped ? FILE_FLAG_OVERLAPPED : 0;
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                                      OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        logError("CreateFileA " + path);
        return kNoHandle;
    }
    auto open = std::make_unique<OpenHandle>();
    open->file = file;
    open->mode = mode;
    open->path = path;
    const auto handle = reinterpret_cast<HidHandle>(file);
    std::lock_guard lock(mutex_);
    handles_[handle] = std::move(open);
    return handle;
}

bool WindowsHidPlatform::close(HidHandle handle) {
    std::unique_ptr<OpenHandle> open;
    {
        std::lock_guard lock(mutex_);
        const auto it = handles_.find(handle);
        if (it == handles_.end())
            return false;
        open = std::move(it->second);
        handles_.erase(it);
    }
    logShortExchange(open->shortReplies);
    // The driver may still write into the read's buffer until the cancel is
    // through; only then may the handle and the buffer go.
    if (open->channel)
        open->channel->shutdown();
    return ::CloseHandle(open->file) != FALSE;
}

bool WindowsHidPlatform::getAttributes(HidHandle handle, HidAttributes& attributes) {
    std::lock_guard lock(mutex_);
    OpenHandle* open = find(handle);
    if (open == nullptr)
        return false;
    HIDD_ATTRIBUTES record{};
    record.Size = sizeof record;
    if (!::HidD_GetAttributes(open->file, &record))
        return false;
    attributes.Size = record.Size;
    attributes.VendorID = record.VendorID;
    attributes.ProductID = record.ProductID;
    attributes.VersionNumber = record.VersionNumber;
    return true;
}

WindowsHidPlatform::OpenHandle* WindowsHidPlatform::findWithBuffer(HidHandle handle,
                                                                   const std::uint8_t* buffer,
                                                                   std::uint32_t length) {
    return buffer != nullptr && length != 0 && length <= kMaxReportLength ? find(handle) : nullptr;
}

// The driver's strings are passed through as they come: UTF-16LE, at most
// length bytes, zero-terminated when shorter.
bool WindowsHidPlatform::getIndexedString(HidHandle handle, std::uint32_t index,
                                          std::uint8_t* buffer, std::uint32_t length) {
    std::lock_guard lock(mutex_);
    const OpenHandle* open = findWithBuffer(handle, buffer, length);
    return open != nullptr && ::HidD_GetIndexedString(open->file, index, buffer, length);
}

bool WindowsHidPlatform::getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                                               std::uint32_t length) {
    std::lock_guard lock(mutex_);
    const OpenHandle* open = findWithBuffer(handle, buffer, length);
    return open != nullptr && ::HidD_GetSerialNumberString(open->file, buffer, length);
}

bool WindowsHidPlatform::getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                                               std::uint32_t length) {
    std::lock_guard lock(mutex_);
    const OpenHandle* open = findWithBuffer(handle, buffer, length);
    return open != nullptr && ::HidD_GetManufacturerString(open->file, buffer, length);
}

bool WindowsHidPlatform::getProductString(HidHandle handle, std::uint8_t* buffer,
                                          std::uint32_t length) {
    std::lock_guard lock(mutex_);
    const OpenHandle* open = findWithBuffer(handle, buffer, length);
    return open != nullptr && ::HidD_GetProductString(open->file, buffer, length);
}

bool WindowsHidPlatform::getPreparsedData(HidHandle handle, PreparsedData& data) {
    std::lock_guard lock(mutex_);
    OpenHandle* open = find(handle);
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (open == nullptr || !::HidD_GetPreparsedData(open->file, &preparsed))
        return false;
    data = reinterpret_cast<PreparsedData>(preparsed);
    preparsed_.insert(data);
    return true;
}

bool WindowsHidPlatform::getCaps(PreparsedData data, HidCaps& caps) {
    std::lock_guard lock(mutex_);
    // hid.dll trusts the pointer it is given; only ones it handed out go back.
    if (preparsed_.count(data) == 0)
        return false;
    HIDP_CAPS record{};
    if (::HidP_GetCaps(reinterpret_cast<PHIDP_PREPARSED_DATA>(data), &record) !=
        HIDP_STATUS_SUCCESS)
        return false;
    caps.InputReportByteLength = record.InputReportByteLength;
    caps.OutputReportByteLength = record.OutputReportByteLength;
    caps.FeatureReportByteLength = record.FeatureReportByteLength;
    return true;
}

bool WindowsHidPlatform::freePreparsedData(PreparsedData data) {
    std::lock_guard lock(mutex_);
    if (preparsed_.erase(data) == 0)
        return false;
    return ::HidD_FreePreparsedData(reinterpret_cast<PHIDP_PREPARSED_DATA>(data));
}

void WindowsHidPlatform::forgetGoneSilentDevices(HidDeviceSet& present) {
    std::lock_guard lock(mutex_);
    if (silentPaths_.empty())
        return;
    // A device that went and came back is a new plug-in and is asked again.
    std::set<std::string> stillThere;
    std::string path;
    for (std::uint32_t index = 0; present.interfaceAt(index, path); ++index)
        if (silentPaths_.count(path) != 0)
            stillThere.insert(path);
    silentPaths_ = std::move(stillThere);
}

template <typename Request>
bool WindowsHidPlatform::featureRequest(const OpenHandle& open, Request request) {
    // The driver gives up on a board that never answers only after its own
    // timeout: asking it again would hold the window as long once more.
    if (silentPaths_.count(open.path) != 0)
        return false;
    const ULONGLONG start = ::GetTickCount64();
    if (request()) {
        silentPaths_.erase(open.path);
        return true;
    }
    if (::GetTickCount64() - start >= kGivenUpAfterMs) {
        if (hidLogEnabled())
            hidLog("feature request on " + open.path + " gave up after " +
                   std::to_string(::GetTickCount64() - start) +
                   " ms: not asked again until the device goes");
        silentPaths_.insert(open.path);
    }
    return false;
}

bool WindowsHidPlatform::setFeature(HidHandle handle, const std::uint8_t* buffer,
                                    std::uint32_t length) {
    std::lock_guard lock(mutex_);
    OpenHandle* open = findWithBuffer(handle, buffer, length);
    if (open == nullptr)
        return false;
    logShortExchange(open->shortReplies);
    // hid.dll takes a writable buffer; the caller's report stays untouched.
    std::vector<std::uint8_t> report(buffer, buffer + length);
    if (!featureRequest(*open,
                        [&] { return ::HidD_SetFeature(open->file, report.data(), length); })) {
        logError("HidD_SetFeature");
        return false;
    }
    return true;
}

bool WindowsHidPlatform::control(OpenHandle& open, unsigned long code, std::uint8_t* buffer,
                                 std::uint32_t length, unsigned long& count) {
    DWORD returned = 0;
    if (open.mode == OpenMode::Synchronous) {
        const BOOL ok =
            ::DeviceIoControl(open.file, code, buffer, length, buffer, length, &returned, nullptr);
        count = returned;
        return ok != FALSE;
    }
    // An overlapped handle wants a record of its own; this request waits.
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr)
        return false;
    BOOL ok =
        ::DeviceIoControl(open.file, code, buffer, length, buffer, length, &returned, &overlapped);
    if (!ok && ::GetLastError() == ERROR_IO_PENDING)
        ok = ::GetOverlappedResult(open.file, &overlapped, &returned, TRUE);
    ::CloseHandle(overlapped.hEvent);
    count = returned;
    return ok != FALSE;
}

bool WindowsHidPlatform::getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    std::lock_guard lock(mutex_);
    OpenHandle* open = findWithBuffer(handle, buffer, length);
    if (open == nullptr)
        return false;
    // The driver leaves what a short reply does not cover as it was; cleared,
    // it can never show an earlier reply's bytes as this one's.
    const std::uint8_t reportId = buffer[0];
    std::memset(buffer + 1, 0, length - 1);
    unsigned long count = 0;
    if (!featureRequest(
            *open, [&] { return control(*open, IOCTL_HID_GET_FEATURE, buffer, length, count); })) {
        logError("IOCTL_HID_GET_FEATURE");
        return false;
    }
    // The count is what the board sent. For a board without report IDs
    // Windows leaves out the ID byte it put in front, Wine counts it: either
    // way, less than the rest of the report is a short reply.
    const std::uint32_t whole = reportId == 0 ? length - 1 : length;
    open->shortReplies.replied(count, length, count >= whole);
    if (count < whole) {
        if (hidLogEnabled())
            hidLog("get feature: short reply of " + std::to_string(count) + " of " +
                   std::to_string(length) + " bytes");
        return false;
    }
    return true;
}

windows_hid::ReadChannel* WindowsHidPlatform::channelOf(OpenHandle& open, EventHandle event) {
    if (open.channel || open.noReports)
        return open.channel.get();
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    HIDP_CAPS caps{};
    if (!::HidD_GetPreparsedData(open.file, &preparsed))
        return nullptr;
    const bool known = ::HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    ::HidD_FreePreparsedData(preparsed);
    if (!known || caps.InputReportByteLength == 0) {
        open.noReports = known;
        return nullptr;
    }
    open.port =
        std::make_unique<windows_hid::OverlappedPort>(open.file, reinterpret_cast<HANDLE>(event));
    open.channel =
        std::make_unique<windows_hid::ReadChannel>(*open.port, caps.InputReportByteLength);
    return open.channel.get();
}

ReadResult WindowsHidPlatform::readInputReports(HidHandle handle, std::uint8_t* buffer,
                                                std::uint32_t length, Overlapped& overlapped) {
    std::lock_guard lock(mutex_);
    OpenHandle* open = find(handle);
    // A read on a synchronous handle would wait for the next report.
    if (open == nullptr || open->mode != OpenMode::Overlapped)
        return {ReadOutcome::Failed, 0};
    windows_hid::ReadChannel* channel = channelOf(*open, overlapped.hEvent);
    if (channel == nullptr)
        return {ReadOutcome::Failed, 0};
    return channel->read(buffer, length);
}

EventHandle WindowsHidPlatform::createEvent(const SecurityAttributes& security, bool manualReset,
                                            bool initialState) {
    SECURITY_ATTRIBUTES attributes = toWin32(security);
    const HANDLE event = ::CreateEventA(&attributes, manualReset ? TRUE : FALSE,
                                        initialState ? TRUE : FALSE, nullptr);
    if (event == nullptr) {
        logError("CreateEventA");
        return 0;
    }
    return reinterpret_cast<EventHandle>(event);
}

} // namespace kestro
