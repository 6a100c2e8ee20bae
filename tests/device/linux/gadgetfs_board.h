// A USB HID board whose control requests the test itself answers: gadgetfs on
// dummy_hcd hands every string request to user space, so the test can count
// them and leave chosen ones unanswered, as a board with broken firmware
// would.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct usb_ctrlrequest;

namespace kestro::test {

struct GadgetfsBoardInfo {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    // The one language the board lists; its strings answer only in it.
    std::uint16_t language = 0x0409;
    std::map<std::uint8_t, std::u16string> strings;
    // Named in the device descriptor, so the kernel reads it while it
    // enumerates; 0 for none.
    std::uint8_t serialIndex = 0;
    std::vector<std::uint8_t> reportDescriptor;
};

class GadgetfsBoard {
public:
    explicit GadgetfsBoard(GadgetfsBoardInfo info);
    ~GadgetfsBoard();
    GadgetfsBoard(const GadgetfsBoard&) = delete;
    GadgetfsBoard& operator=(const GadgetfsBoard&) = delete;

    // "/dev/hidrawN" once usbhid has bound the board, empty otherwise; why in
    // error().
    const std::string& node() const { return node_; }
    const std::string& error() const { return error_; }

    // From now on, requests for these string indices (0 is the language
    // table) are held unanswered until settle(). The kernel's own, while it
    // enumerates, must be answered, or usbhid never binds.
    void leaveUnanswered(std::set<std::uint8_t> indices);
    // String descriptor requests seen since the last forgetRequests(), by
    // index.
    int stringRequests(std::uint8_t index);
    void forgetRequests();
    // Stalls the requests held unanswered, once the host has given up on
    // them, so that the next ones can be seen.
    void settle();

private:
    bool start();
    void serve();
    void answer(const usb_ctrlrequest& setup);
    void answerStringRequest(std::uint8_t index, std::uint16_t language, std::uint16_t length);
    bool enableInterruptEndpoint();
    bool held();
    void stallHeldRequest();
    void reply(const std::vector<std::uint8_t>& data, std::uint16_t length);
    // gadgetfs ends a request on a read: an IN request is stalled by it, one
    // from the host acknowledged, with its length bytes of data taken.
    void endByReading(std::uint16_t length);

    GadgetfsBoardInfo info_;
    std::string node_;
    std::string error_;
    bool mounted_ = false;
    int ep0_ = -1;
    int interruptIn_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> releaseWanted_{false};
    std::thread server_;
    std::mutex mutex_;
    std::map<std::uint8_t, int> requests_;
    std::set<std::uint8_t> unanswered_;
    bool holding_ = false;
};

} // namespace kestro::test
