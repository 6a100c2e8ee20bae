// Where Wine 8.0's HID stack (winebus over the kernel's hidraw) answers
// differently from Windows, in one place. The tests accept exactly these
// differences and hold everything else to what Windows does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace kestro::test {

inline bool underWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct BoardStrings {
    std::string manufacturer; // the USB manufacturer string
    std::string product;      // the USB product string
    std::string kernelName;   // what the kernel calls the HID device
};

struct HidStackFacts {
    bool wine = underWine();

    // Wine answers every HidD_GetIndexedString with error 50
    // (ERROR_NOT_SUPPORTED) and never asks the device: boards are found by
    // their product ID.
    bool indexedStringsReachDevice() const { return !wine; }
    // Wine's manufacturer string is its bus's name.
    std::string manufacturer(const BoardStrings& s) const {
        return wine ? "hidraw" : s.manufacturer;
    }
    // Wine's product string is the kernel's HID name: manufacturer and
    // product joined (for uhid, the name the board was created with).
    std::string product(const BoardStrings& s) const { return wine ? s.kernelName : s.product; }
    // Wine's VersionNumber is the USB parent's bcdDevice: a uhid board has
    // none and reads 0.
    std::uint16_t version(std::uint16_t bcdDevice, bool hasUsbParent) const {
        return wine && !hasUsbParent ? 0 : bcdDevice;
    }
};

} // namespace kestro::test
