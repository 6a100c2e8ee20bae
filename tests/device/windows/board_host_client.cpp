#include "board_host_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace kestro::test {

namespace {

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

} // namespace

BoardHostClient::BoardHostClient() : socket_(INVALID_SOCKET) {
    const char* port = std::getenv("KESTRO_BOARD_HOST_PORT");
    WSADATA data;
    if (port == nullptr || ::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET &&
        ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        socket_ = s;
    else if (s != INVALID_SOCKET)
        ::closesocket(s);
}

BoardHostClient::~BoardHostClient() {
    if (socket_ != INVALID_SOCKET)
        ::closesocket(socket_);
}

bool BoardHostClient::connected() const {
    return socket_ != INVALID_SOCKET;
}

std::vector<std::string> BoardHostClient::request(const std::string& line) {
    lastError_.clear();
    if (!connected()) {
        lastError_ = "no board host";
        return {};
    }
    const std::string out = line + "\n";
    if (::send(socket_, out.data(), static_cast<int>(out.size()), 0) !=
        static_cast<int>(out.size())) {
        lastError_ = "send failed";
        return {};
    }
    std::size_t end = 0;
    while ((end = pending_.find('\n')) == std::string::npos) {
        char chunk[4096];
        const int n = ::recv(socket_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            lastError_ = "the board host hung up";
            return {};
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
    }
    std::istringstream answer(pending_.substr(0, end));
    pending_.erase(0, end + 1);
    std::vector<std::string> words;
    for (std::string word; answer >> word;)
        words.push_back(word);
    if (words.empty() || words[0] != "ok") {
        lastError_ = line + ": " + (words.empty() ? std::string("no answer") : answer.str());
        return {};
    }
    words.erase(words.begin());
    return words;
}

namespace {

// A board of the host's, through this client.
class RemoteBoard final : public TestBoard {
public:
    RemoteBoard(BoardHostClient& host, const HostBoard& board) : host_(host), board_(board) {}
    ~RemoteBoard() override { unplug(); }
    const std::string& node() const override { return board_.node; }
    bool input(const Bytes& report) override { return host_.input(board_, report); }
    bool unplug() override {
        if (unplugged_)
            return true;
        unplugged_ = host_.destroy(board_);
        return unplugged_;
    }
    std::vector<Bytes> sets() override { return host_.sets(board_); }
    std::vector<Bytes> gets() override { return host_.gets(board_); }
    bool shortReplies(std::size_t length) override { return host_.shortReplies(board_, length); }
    bool refuseFetches() override { return host_.refuseFetches(board_); }

private:
    BoardHostClient& host_;
    HostBoard board_;
    bool unplugged_ = false;
};

} // namespace

std::unique_ptr<TestBoard> BoardHostClient::make(const TestBoardShape& shape) {
    const HostBoard board =
        shape.kind == BoardKind::Uhid
            ? uhid(shape.vendor, shape.product, shape.version, shape.name, shape.serial)
            : gadget(shape.vendor, shape.product, shape.version, shape.serial);
    if (board.id == 0)
        return nullptr;
    return std::make_unique<RemoteBoard>(*this, board);
}

HostBoard BoardHostClient::made(const std::vector<std::string>& answer) {
    if (answer.size() < 2)
        return {};
    return {std::atoi(answer[0].c_str()), answer[1]};
}

HostBoard BoardHostClient::uhid(std::uint16_t vendor, std::uint16_t product, std::uint16_t version,
                                const std::string& name, const std::string& serial) {
    return made(request("uhid " + hex4(vendor) + " " + hex4(product) + " " + hex4(version) + " " +
                        name + " " + serial));
}

HostBoard BoardHostClient::gadget(std::uint16_t vendor, std::uint16_t product,
                                  std::uint16_t bcdDevice, const std::string& serial) {
    return made(request("gadget " + hex4(vendor) + " " + hex4(product) + " " + hex4(bcdDevice) +
                        " " + serial));
}

bool BoardHostClient::input(const HostBoard& board, const Bytes& report) {
    request("input " + std::to_string(board.id) + " " + toHex(report));
    return lastError_.empty();
}

bool BoardHostClient::destroy(const HostBoard& board) {
    request("destroy " + std::to_string(board.id));
    return lastError_.empty();
}

bool BoardHostClient::refuseFetches(const HostBoard& board) {
    request("refuse " + std::to_string(board.id));
    return lastError_.empty();
}

bool BoardHostClient::shortReplies(const HostBoard& board, std::size_t length) {
    request("short " + std::to_string(board.id) + " " + std::to_string(length));
    return lastError_.empty();
}

std::vector<Bytes> BoardHostClient::sets(const HostBoard& board) {
    std::vector<Bytes> frames;
    for (const std::string& word : request("sets " + std::to_string(board.id)))
        frames.push_back(fromHex(word));
    return frames;
}

std::vector<Bytes> BoardHostClient::gets(const HostBoard& board) {
    std::vector<std::string> words = request("gets " + std::to_string(board.id));
    std::vector<Bytes> frames;
    for (std::size_t i = 1; i < words.size(); ++i)
        frames.push_back(fromHex(words[i]));
    return frames;
}

} // namespace kestro::test
