// The Linux side of the Windows tests in the guest: makes boards with the
// kernel's HID stack (uhid, or a USB gadget on dummy_hcd) on request of a
// Windows test running under Wine, which cannot reach /dev/uhid or configfs
// itself. Requests are lines over a loopback TCP socket; every answer is one
// line, "ok ..." or "error ...".
//
//   kestro_board_host -- COMMAND [ARGS...]
// runs COMMAND with KESTRO_BOARD_HOST_PORT set and exits with its status.
//
//   uhid VENDOR PRODUCT VERSION NAME SERIAL   -> ok ID NODE
//   gadget VENDOR PRODUCT BCD SERIAL          -> ok ID NODE
//   input ID HEX                              -> ok   (one input report)
//   destroy ID                                -> ok   (the board is unplugged)
//   sets ID                                   -> ok HEX...  (feature reports received)
//   gets ID                                   -> ok COUNT HEX...  (replies sent; uhid)
//   short ID LENGTH                           -> ok   (uhid: later replies are LENGTH bytes)
#include "board_descriptors.h"
#include "hex_text.h"
#include "sim/sim_firmware.h"
#include "uhid_board.h"
#include "usb_gadget.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kestro::test {
namespace {

constexpr std::size_t kFeatureLength = 65;

class Board {
public:
    virtual ~Board() = default;
    virtual const std::string& node() const = 0;
    virtual bool input(const Bytes& report) = 0;
    virtual void destroy() = 0;
    virtual std::vector<Bytes> sets() = 0;
    virtual std::vector<Bytes> gets() = 0;
    virtual bool shortReplies(std::size_t /*length*/) { return false; }
};

// A uhid board whose feature requests the simulated firmware answers.
class FirmwareUhid final : public Board {
public:
    explicit FirmwareUhid(const UhidBoardInfo& info)
        : board_(info, FeatureAnswers{[this](std::uint8_t, const Bytes& data) { set(data); },
                                      [this](std::uint8_t number, Bytes& data) {
                                          return get(number, data);
                                      }}) {}
    const std::string& node() const override { return board_.node(); }
    bool input(const Bytes& report) override { return board_.input(report); }
    void destroy() override { board_.destroy(); }
    std::vector<Bytes> sets() override {
        std::lock_guard lock(mutex_);
        return firmware_.received;
    }
    std::vector<Bytes> gets() override {
        std::lock_guard lock(mutex_);
        return replies_;
    }
    bool shortReplies(std::size_t length) override {
        std::lock_guard lock(mutex_);
        replyLength_ = length;
        return true;
    }

private:
    void set(const Bytes& data) {
        std::lock_guard lock(mutex_);
        firmware_.receive(data.data(), static_cast<std::uint32_t>(data.size()));
    }
    bool get(std::uint8_t number, Bytes& data) {
        std::lock_guard lock(mutex_);
        data.assign(kFeatureLength, 0);
        data[0] = number;
        const bool ok = firmware_.answer(data.data(), static_cast<std::uint32_t>(data.size()));
        data.resize(std::min(replyLength_, data.size()));
        replies_.push_back(ok ? data : Bytes{});
        return ok;
    }

    std::mutex mutex_;
    sim::Firmware firmware_;
    std::vector<Bytes> replies_;
    std::size_t replyLength_ = kFeatureLength;
    UhidBoard board_; // last: its responder thread uses everything above
};

// A board on a cable: usbhid over dummy_hcd. The function answers fetches
// with zeros and hands the data of every set request to its node.
class GadgetBoard final : public Board {
public:
    explicit GadgetBoard(const UsbGadgetInfo& info) : gadget_(std::make_unique<UsbGadget>(info)) {
        node_ = gadget_->node();
        function_ = gadget_->functionNode();
    }
    const std::string& node() const override { return node_; }
    const std::string& error() const { return gadget_->error(); }
    bool input(const Bytes& report) override {
        const int fd = ::open(function_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool ok =
            ::write(fd, report.data(), report.size()) == static_cast<ssize_t>(report.size());
        ::close(fd);
        return ok;
    }
    void destroy() override { gadget_.reset(); }
    std::vector<Bytes> sets() override {
        const int fd = ::open(function_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            std::uint8_t data[kFeatureLength];
            ssize_t n = 0;
            while ((n = ::read(fd, data, sizeof data)) > 0) {
                // Unnumbered: the wire carries no report ID, ours is 0.
                Bytes frame{0};
                frame.insert(frame.end(), data, data + n);
                received_.push_back(frame);
            }
            ::close(fd);
        }
        return received_;
    }
    std::vector<Bytes> gets() override { return {}; }

private:
    std::unique_ptr<UsbGadget> gadget_;
    std::string node_;
    std::string function_;
    std::vector<Bytes> received_;
};

class Host {
public:
    std::string handle(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        if (verb == "uhid" || verb == "gadget")
            return make(verb, in);
        int id = 0;
        in >> id;
        std::lock_guard lock(mutex_);
        const auto it = boards_.find(id);
        if (it == boards_.end())
            return "error no board " + std::to_string(id);
        Board& board = *it->second;
        if (verb == "input") {
            std::string data;
            in >> data;
            return board.input(fromHex(data)) ? "ok" : "error input";
        }
        if (verb == "short") {
            std::size_t length = 0;
            in >> length;
            return board.shortReplies(length) ? "ok" : "error only uhid boards reply short";
        }
        if (verb == "destroy") {
            board.destroy();
            return "ok";
        }
        if (verb == "sets" || verb == "gets") {
            const std::vector<Bytes> frames = verb == "sets" ? board.sets() : board.gets();
            std::string answer = "ok";
            if (verb == "gets")
                answer += " " + std::to_string(frames.size());
            for (const Bytes& frame : frames)
                answer += " " + toHex(frame);
            return answer;
        }
        return "error unknown request " + verb;
    }

    void clear() {
        std::lock_guard lock(mutex_);
        boards_.clear();
    }

private:
    std::string make(const std::string& verb, std::istringstream& in) {
        unsigned vendor = 0, product = 0, version = 0;
        std::string name, serial;
        in >> std::hex >> vendor >> product >> version >> std::dec;
        std::unique_ptr<Board> board;
        std::string error = "the kernel refused the board";
        if (verb == "uhid") {
            in >> name >> serial;
            board = std::make_unique<FirmwareUhid>(
                UhidBoardInfo{name, serial, static_cast<std::uint16_t>(vendor),
                              static_cast<std::uint16_t>(product),
                              static_cast<std::uint16_t>(version), kUnnumbered});
        } else {
            in >> serial;
            // A 64-byte function report, so that a fetch is answered with a
            // whole feature report's worth of data.
            auto gadget = std::make_unique<GadgetBoard>(UsbGadgetInfo{
                static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product),
                static_cast<std::uint16_t>(version), "Test Maker", "Test Board", serial, 64,
                kUnnumbered, true});
            error = gadget->error();
            board = std::move(gadget);
        }
        if (board->node().empty())
            return "error " + error;
        std::lock_guard lock(mutex_);
        const int id = nextId_++;
        const std::string node = board->node();
        boards_[id] = std::move(board);
        return "ok " + std::to_string(id) + " " + node;
    }

    std::mutex mutex_;
    std::map<int, std::unique_ptr<Board>> boards_;
    int nextId_ = 1;
};

void serve(int client, Host& host) {
    std::string pending;
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(client, chunk, sizeof chunk)) > 0) {
        pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string answer = host.handle(pending.substr(0, end)) + "\n";
            pending.erase(0, end + 1);
            if (::write(client, answer.data(), answer.size()) < 0)
                return;
        }
    }
}

} // namespace
} // namespace kestro::test

int main(int argc, char* argv[]) {
    if (argc < 3 || std::strcmp(argv[1], "--") != 0) {
        std::fprintf(stderr, "usage: %s -- COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::perror("board host: loopback socket");
        return 2;
    }
    const std::string port = std::to_string(ntohs(address.sin_port));
    ::setenv("KESTRO_BOARD_HOST_PORT", port.c_str(), 1);

    kestro::test::Host host;
    std::thread([&host, listener] {
        for (;;) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            std::thread([client, &host] {
                kestro::test::serve(client, host);
                ::close(client);
            }).detach();
        }
    }).detach();

    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(argv[2], argv + 2);
        std::perror("board host: exec");
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    host.clear();
    // Detached threads may still sit in accept or read: leave without
    // running destructors under them.
    std::fflush(nullptr);
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}
