// What the kernel does not pass on by itself: the serial number of a USB
// board whose string the kernel failed to read, and the version of a board
// without a USB parent. Run inside hid-vm as root; elsewhere they skip.
#include "../fake_serial_list.h"
#include "board_descriptors.h"
#include "device_link.h"
#include "gadgetfs_board.h"
#include "kestro_ids.h"
#include "linux/linux_hid_platform.h"
#include "uhid_board.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace kestro {
namespace {

using test::Bytes;
using test::operator+;

bool inGuest(const char* needed) {
    return ::geteuid() == 0 && ::access(needed, F_OK) == 0;
}

TEST(UsbSerial, ABoardIsListedOnlyWhenItsSerialCanBeRead) {
    if (!inGuest("/sys/class/udc/dummy_udc.0"))
        GTEST_SKIP() << "needs root and dummy_hcd: run inside hid-vm";
    struct Row {
        const char* what;
        std::map<std::uint8_t, std::u16string> strings;
        std::vector<std::string> listed;
    };
    const Row rows[] = {
        {"serial stalled", {}, {}},
        {"serial empty", {{3, u""}}, {""}},
    };
    for (const Row& row : rows) {
        test::GadgetfsBoardInfo info;
        info.vendor = KESTRO_VENDOR_ID;
        info.product = 0x1140;
        info.strings = row.strings;
        info.serialIndex = 3;
        info.reportDescriptor = test::kUnnumbered;
        test::GadgetfsBoard board(info);
        ASSERT_FALSE(board.node().empty()) << row.what << ": " << board.error();
        LinuxHidPlatform platform;
        test::FakeSerialList list;
        DeviceLink link(platform, list);
        link.Scan_USB_devices();
        EXPECT_EQ(list.items, row.listed) << row.what;
    }
}

TEST(HidVersion, ABoardWithoutUsbParentHasTheVersionHidInputShows) {
    if (!inGuest("/dev/uhid"))
        GTEST_SKIP() << "needs root and /dev/uhid: run inside hid-vm";
    // A joystick's collection, which hid-input takes; a vendor-defined one
    // it leaves alone, and then the version stays unknown.
    const Bytes joystick = Bytes{0x05, 0x01, 0x09, 0x04, 0xA1, 0x01} +
                           Bytes(test::kUnnumbered.begin() + 7, test::kUnnumbered.end());
    struct Row {
        const char* what;
        Bytes descriptor;
        std::uint16_t version;
    };
    const Row rows[] = {{"joystick", joystick, 0x0110}, {"vendor-defined", test::kUnnumbered, 0}};
    for (const Row& row : rows) {
        test::UhidBoard board(
            {"version", "KV-1", KESTRO_VENDOR_ID, 0x1140, 0x0110, row.descriptor});
        ASSERT_TRUE(board.created()) << row.what;
        LinuxHidPlatform platform;
        const HidHandle handle = platform.open(board.node(), OpenMode::Synchronous, {});
        HidAttributes attributes;
        ASSERT_TRUE(platform.getAttributes(handle, attributes)) << row.what;
        EXPECT_EQ(attributes.VersionNumber, row.version) << row.what;
        platform.close(handle);
    }
}

} // namespace
} // namespace kestro
