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
//   refuse ID                                 -> ok   (uhid: later fetches are refused)
#include "local_boards.h"
#include "tests/support/bytes.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
        TestBoard& board = *it->second;
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
        if (verb == "refuse")
            return board.refuseFetches() ? "ok" : "error only uhid boards refuse";
        if (verb == "destroy")
            return board.unplug() ? "ok" : "error destroy";
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
        TestBoardShape shape;
        shape.kind = verb == "uhid" ? BoardKind::Uhid : BoardKind::Gadget;
        in >> std::hex >> vendor >> product >> version >> std::dec;
        shape.vendor = static_cast<std::uint16_t>(vendor);
        shape.product = static_cast<std::uint16_t>(product);
        shape.version = static_cast<std::uint16_t>(version);
        if (shape.kind == BoardKind::Uhid)
            in >> shape.name;
        in >> shape.serial;
        std::string error;
        std::unique_ptr<TestBoard> board = makeLocalBoard(shape, error);
        if (!board)
            return "error " + error;
        std::lock_guard lock(mutex_);
        const int id = nextId_++;
        const std::string node = board->node();
        boards_[id] = std::move(board);
        return "ok " + std::to_string(id) + " " + node;
    }

    std::mutex mutex_;
    std::map<int, std::unique_ptr<TestBoard>> boards_;
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
