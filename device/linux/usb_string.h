// USB string descriptors fetched through usbfs with a plain control transfer,
// for the strings hidraw does not pass on.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>

namespace kestro::linux_hid {

// The UTF-16 text of a string descriptor, checked against what was actually
// received: bLength within it, even, at least 2, and bDescriptorType STRING.
std::optional<std::u16string> decodeStringDescriptor(const std::uint8_t* data,
                                                     std::size_t received);

// Which device a node stood for: a device that goes and one that comes may
// get the same path, never the same node.
struct NodeIdentity {
    ino_t inode = 0;
    dev_t device = 0;
    bool operator==(const NodeIdentity&) const = default;
};
std::optional<NodeIdentity> identityOf(const std::string& node);
std::optional<NodeIdentity> identityOfFd(int fd);

// What each USB device asked so far has told, by its usbfs node: its
// language, and which of its strings it failed to give.
class LanguageCache {
public:
    std::optional<std::uint16_t> find(const std::string& node, const NodeIdentity& identity) const;
    void remember(const std::string& node, const NodeIdentity& identity, std::uint16_t language);
    bool failedBefore(const std::string& node, const NodeIdentity& identity,
                      std::uint8_t index) const;
    void rememberFailure(const std::string& node, const NodeIdentity& identity, std::uint8_t index);
    // Drops the devices whose node is gone or stands for another device now.
    void forgetGone();
    std::size_t size() const { return languages_.size(); }

private:
    struct Entry {
        NodeIdentity identity;
        std::optional<std::uint16_t> language;
        std::bitset<256> failed;
    };
    // The entry of the device now at node, made afresh for another device.
    Entry& entryFor(const std::string& node, const NodeIdentity& identity);
    const Entry* findEntry(const std::string& node, const NodeIdentity& identity) const;
    std::map<std::string, Entry> languages_;
};

struct UsbStringResult {
    std::optional<std::u16string> text;
    bool accessDenied = false; // the system refused the USB device node
};

// String requests to USB devices, each holding the caller at most about
// 150 ms however the device behaves, each device asked for its language
// table once rather than before every string, and a string a device failed
// to give not asked of it again until it is plugged in anew.
class UsbStringReader {
public:
    // String index of the USB device whose usbfs node is usbfsNode, in the
    // device's first language (US English if it lists none or never
    // answers). Index 0 is the language table, not a string, and is refused.
    // The request goes to the device, so the interface stays with usbhid and
    // nothing is claimed.
    UsbStringResult fetch(const std::string& usbfsNode, std::uint8_t index);
    // Forgets the languages of devices that have gone.
    void forgetGoneDevices();

private:
    std::uint16_t languageOf(int fd, const std::string& node);

    std::mutex mutex_;
    LanguageCache languages_;
};

} // namespace kestro::linux_hid
