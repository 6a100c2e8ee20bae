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
    // Rebuilds the serial list while a board is open, without a request to
    // the open board or a change of its handles, item or selection.
    void ListBoardsWhileOpen();
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
    // The serial number the open board was found by.
    std::string openSerial;
    // How many boards the last listing put into the serial list.
    int boardsListed = 0;

    // Set by a walk that found a board it was refused access to; cleared when
    // a walk finds none or a board opens. refusedBoard is the last of them
    // (the one hint the window has room for), refusedBoards each in walk
    // order, so that every refused board can be named by its own node.
    std::optional<RefusedBoard> refusedBoard;
    std::vector<RefusedBoard> refusedBoards;

private:
    struct WalkBuffers {
        DeviceStringBuffer name;
        DeviceStringBuffer serial;
    };
    enum class Candidate { End, Skip, Board, OpenBoard };

    void resetSecurity();
    // Opens the interface at index into featureHandle and decides whether it
    // is a Kestro board with a readable serial number (then in serialText).
    // The interface at openPath is the open board's and is not opened again.
    Candidate examine(HidDeviceSet& set, std::uint32_t index, WalkBuffers& buffers,
                      std::string& serialText, const std::string* openPath = nullptr);
    // Fills the serial list; returns the index of the open board's item, -1
    // when no board is open or its interface is gone.
    int listBoards(const std::string* openPath);
    bool isKestroBoard(WalkBuffers& buffers);
    void noteRefusal();
    void noteNameRefusal();
    void noteRefused(RefusedBoard board);
    void forgetRefusals();
    void closeFeatureHandle();
    ReadResult readReportsTooLong();

    HidPlatform& platform_;
    SerialListView& serNo_;
    std::vector<std::uint8_t> tooLongReports_;
};

} // namespace kestro
