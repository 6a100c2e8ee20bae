// Finding, listing, opening and closing Kestro boards, written once against
// HidPlatform so that every backend behaves alike.
#pragma once

#include "device_string.h"
#include "hid_platform.h"
#include "serial_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

// A Kestro board (by the IDs the system shows) that the system would not let
// us open, or whose name it would not let us read: what the window tells the
// user to fix. node is the one refused, the board's interface node or (for
// the name) its USB device node.
struct RefusedBoard {
    std::string path;
    std::string node;
    std::uint16_t productId = 0;
};

class DeviceLink {
public:
    DeviceLink(HidPlatform& platform, SerialListView& serNo);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Opens the first board whose serial number equals the text of the serial
    // list, with both handles. Precondition: no board is open.
    bool FindTheHid();
    // Rebuilds the serial list from the boards present. Opens nothing it keeps.
    void Scan_USB_devices();
    void ReadDeviceCapabilities();
    void PrepareOverlappedRead();

    // Closes featureHandle, then readHandle; a field that holds no handle is
    // not closed again.
    void CloseBoard();

    // One non-blocking read of the queued input reports through readHandle.
    // A board whose input report is longer than length is refused: it stays
    // open and its reads go on, but none of its reports is handed back.
    ReadResult ReadInputReports(std::uint8_t* buffer, std::uint32_t length);

    HidPlatform& platform() { return platform_; }

    bool deviceDetected = false;
    bool serialListReady = false;
    HidHandle featureHandle = kNoHandle;
    HidHandle readHandle = kNoHandle;
    std::string devicePath;
    HidAttributes deviceAttributes;
    SecurityAttributes handleSecurity;
    HidCaps deviceCapabilities;
    EventHandle readEvent = 0;
    Overlapped readOverlapped;
    std::int32_t lastResult = 0;

    // Set by a walk that found a board it was refused access to; cleared when
    // a walk finds none or a board opens.
    std::optional<RefusedBoard> refusedBoard;

private:
    struct WalkBuffers {
        DeviceStringBuffer name;
        DeviceStringBuffer serial;
    };
    enum class Candidate { End, Skip, Board };

    void resetSecurity();
    // Opens the interface at index into featureHandle and decides whether it
    // is a Kestro board with a readable serial number (then in serialText).
    Candidate examine(HidDeviceSet& set, std::uint32_t index, WalkBuffers& buffers,
                      std::string& serialText);
    bool isKestroBoard(WalkBuffers& buffers);
    void noteRefusal();
    void noteNameRefusal();
    void closeFeatureHandle();
    ReadResult readReportsTooLong();

    HidPlatform& platform_;
    SerialListView& serNo_;
    std::vector<std::uint8_t> tooLongReports_;
};

} // namespace kestro
