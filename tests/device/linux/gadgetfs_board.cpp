#include "gadgetfs_board.h"

#include "board_descriptors.h"
#include "usb_gadget.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/gadgetfs.h>
#include <poll.h>
#include <sys/mount.h>
#include <unistd.h>

namespace kestro::test {

namespace {

constexpr char kGadgetDir[] = "/dev/gadget";
constexpr char kControllerFile[] = "/dev/gadget/dummy_udc";
// dummy_hcd's interrupt IN endpoint, as gadgetfs names its file.
constexpr char kInterruptInFile[] = "/dev/gadget/ep5in-int";
constexpr std::uint8_t kInterruptIn = 0x81;
constexpr std::uint8_t kHidReportDescriptor = 0x22;

void put16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

Bytes endpoint(std::uint8_t interval) {
    Bytes bytes = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, kInterruptIn, USB_ENDPOINT_XFER_INT};
    put16(bytes, 64);
    bytes.push_back(interval);
    return bytes;
}

// Configuration, HID interface, HID class descriptor and one interrupt IN
// endpoint: what usbhid needs to bind.
Bytes configuration(std::uint16_t reportLength, std::uint8_t interval) {
    const Bytes config = {
        USB_DT_CONFIG_SIZE, USB_DT_CONFIG, 34, 0, 1, 1, 0, USB_CONFIG_ATT_ONE, 50};
    const Bytes interface = {
        USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, 1, USB_CLASS_HID, 0, 0, 0};
    Bytes hid = {9, 0x21, 0x11, 0x01, 0, 1, kHidReportDescriptor};
    put16(hid, reportLength);
    return config + interface + hid + endpoint(interval);
}

Bytes deviceDescriptor(const GadgetfsBoardInfo& info) {
    Bytes bytes = {USB_DT_DEVICE_SIZE, USB_DT_DEVICE, 0x00, 0x02, 0, 0, 0, 64};
    put16(bytes, info.vendor);
    put16(bytes, info.product);
    put16(bytes, 0x0110);
    bytes.insert(bytes.end(), {0, 0, info.serialIndex, 1});
    return bytes;
}

Bytes stringDescriptor(const std::u16string& text) {
    const std::size_t units = std::min<std::size_t>(text.size(), 126);
    Bytes bytes = {static_cast<std::uint8_t>(2 + 2 * units), USB_DT_STRING};
    for (std::size_t i = 0; i < units; ++i)
        put16(bytes, static_cast<std::uint16_t>(text[i]));
    return bytes;
}

bool writeAll(int fd, const Bytes& bytes) {
    ssize_t n = 0;
    do {
        n = ::write(fd, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(bytes.size());
}

} // namespace

GadgetfsBoard::GadgetfsBoard(GadgetfsBoardInfo info) : info_(std::move(info)) {
    if (!start())
        error_ += std::string(" (") + std::strerror(errno) + ")";
}

GadgetfsBoard::~GadgetfsBoard() {
    stop_ = true;
    if (server_.joinable())
        server_.join();
    if (interruptIn_ >= 0)
        ::close(interruptIn_);
    // Closing the controller file unplugs the board.
    if (ep0_ >= 0)
        ::close(ep0_);
    waitForNodeGone(node_);
    if (mounted_)
        ::umount2(kGadgetDir, MNT_DETACH);
}

bool GadgetfsBoard::start() {
    if (::access(kControllerFile, F_OK) != 0) {
        if (::mount("gadgetfs", kGadgetDir, "gadgetfs", 0, nullptr) != 0) {
            error_ = "cannot mount gadgetfs on /dev/gadget";
            return false;
        }
        mounted_ = true;
    }
    ep0_ = ::open(kControllerFile, O_RDWR | O_CLOEXEC);
    if (ep0_ < 0) {
        error_ = std::string("cannot open ") + kControllerFile;
        return false;
    }
    const auto reportLength = static_cast<std::uint16_t>(info_.reportDescriptor.size());
    // Message tag, full-speed and high-speed configurations, device.
    const Bytes descriptors = Bytes{0, 0, 0, 0} + configuration(reportLength, 10) +
                              configuration(reportLength, 4) + deviceDescriptor(info_);
    if (!writeAll(ep0_, descriptors)) {
        error_ = "gadgetfs refused the descriptors";
        return false;
    }
    // The host starts enumerating at once; string requests that find no
    // reader are stalled, so the reader must run before they come.
    server_ = std::thread([this] { serve(); });
    node_ = waitForUsbHidraw(info_.vendor, info_.product);
    if (node_.empty()) {
        error_ = "usbhid did not bind the gadgetfs board";
        errno = ETIMEDOUT;
        return false;
    }
    return true;
}

int GadgetfsBoard::stringRequests(std::uint8_t index) {
    std::lock_guard lock(mutex_);
    const auto it = requests_.find(index);
    return it == requests_.end() ? 0 : it->second;
}

void GadgetfsBoard::leaveUnanswered(std::set<std::uint8_t> indices) {
    std::lock_guard lock(mutex_);
    unanswered_ = std::move(indices);
}

void GadgetfsBoard::forgetRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool GadgetfsBoard::held() {
    std::lock_guard lock(mutex_);
    return holding_;
}

void GadgetfsBoard::settle() {
    using Clock = std::chrono::steady_clock;
    // Stalling a held request can bring up the next one the host sent
    // meanwhile, which is held in turn; done when none comes for a while.
    for (;;) {
        const auto quiet = Clock::now() + std::chrono::milliseconds(150);
        while (!held() && Clock::now() < quiet)
            ::usleep(2000);
        if (!held())
            return;
        releaseWanted_ = true;
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (held() && Clock::now() < deadline)
            ::usleep(2000);
        if (held())
            return;
    }
}

void GadgetfsBoard::serve() {
    while (!stop_) {
        {
            std::unique_lock lock(mutex_);
            if (holding_) {
                const bool resolve = releaseWanted_ || stop_;
                lock.unlock();
                if (resolve) {
                    stallHeldRequest();
                    lock.lock();
                    holding_ = false;
                    releaseWanted_ = false;
                } else {
                    ::usleep(2000);
                }
                continue;
            }
        }
        pollfd pfd{ep0_, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0 || (pfd.revents & POLLIN) == 0)
            continue;
        usb_gadgetfs_event events[5];
        const ssize_t n = ::read(ep0_, events, sizeof events);
        if (n <= 0)
            continue;
        // gadgetfs hands over events up to and including one request, which
        // must be dealt with before the next read.
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof events[0]; ++i)
            if (events[i].type == GADGETFS_SETUP)
                answer(events[i].u.setup);
    }
}

void GadgetfsBoard::answer(const usb_ctrlrequest& setup) {
    const std::uint16_t value = setup.wValue;
    const std::uint16_t length = setup.wLength;
    const bool in = (setup.bRequestType & USB_DIR_IN) != 0;
    if (setup.bRequest == USB_REQ_GET_DESCRIPTOR && setup.bRequestType == USB_DIR_IN &&
        (value >> 8) == USB_DT_STRING) {
        answerStringRequest(static_cast<std::uint8_t>(value & 0xFF), setup.wIndex, length);
    } else if (setup.bRequest == USB_REQ_GET_DESCRIPTOR &&
               setup.bRequestType == (USB_DIR_IN | USB_RECIP_INTERFACE) &&
               (value >> 8) == kHidReportDescriptor) {
        reply(info_.reportDescriptor, length);
    } else if (setup.bRequest == USB_REQ_SET_CONFIGURATION && setup.bRequestType == 0) {
        if (!enableInterruptEndpoint())
            error_ = "cannot enable the interrupt endpoint";
        endByReading(0);
    } else {
        // Other IN requests are refused; SET_IDLE and the like agreed to.
        endByReading(in ? 0 : length);
    }
}

void GadgetfsBoard::answerStringRequest(std::uint8_t index, std::uint16_t language,
                                        std::uint16_t length) {
    {
        std::lock_guard lock(mutex_);
        ++requests_[index];
        if (unanswered_.count(index) != 0) {
            holding_ = true;
            return;
        }
    }
    if (index == 0) {
        Bytes table = {4, USB_DT_STRING};
        put16(table, info_.language);
        reply(table, length);
        return;
    }
    const auto it = info_.strings.find(index);
    if (it == info_.strings.end() || language != info_.language) {
        endByReading(0);
        return;
    }
    reply(stringDescriptor(it->second), length);
}

bool GadgetfsBoard::enableInterruptEndpoint() {
    if (interruptIn_ >= 0)
        return true;
    interruptIn_ = ::open(kInterruptInFile, O_RDWR | O_CLOEXEC);
    if (interruptIn_ < 0)
        return false;
    // Without an enabled endpoint usbhid's input transfers fail and it
    // resets the board.
    // Message tag, full-speed and high-speed descriptors.
    return writeAll(interruptIn_, Bytes{1, 0, 0, 0} + endpoint(10) + endpoint(4));
}

void GadgetfsBoard::reply(const Bytes& data, std::uint16_t length) {
    const Bytes sent(data.begin(), data.begin() + std::min<std::size_t>(data.size(), length));
    writeAll(ep0_, sent);
}

void GadgetfsBoard::stallHeldRequest() {
    // A request the host sent while this one was held first reports the
    // abort; the read after that stalls, and the newer request's event
    // follows as the next one.
    std::uint8_t byte = 0;
    while (::read(ep0_, &byte, 0) < 0 && errno == EIDRM) {
    }
}

void GadgetfsBoard::endByReading(std::uint16_t length) {
    Bytes data(std::max<std::size_t>(length, 1));
    ::read(ep0_, data.data(), length);
}

} // namespace kestro::test
