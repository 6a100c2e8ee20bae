// A board made from /dev/uhid inside the test guest: the kernel gives it a
// real hidraw node, and a thread answers the feature requests that reach it.
#pragma once

#include "tests/support/bytes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestro::test {

struct UhidBoardInfo {
    std::string name;
    std::string uniq;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t version = 0;
    Bytes descriptor;
};

// A board's own answers to feature requests, in place of echoing the last
// report set. Both run on the responder thread and see what uhid carries:
// the report number, and data whose byte 0 is the report ID slot (0 for a
// board without report IDs). get fills data and returns false to refuse.
struct FeatureAnswers {
    std::function<void(std::uint8_t reportNumber, const Bytes& data)> set;
    std::function<bool(std::uint8_t reportNumber, Bytes& data)> get;
};

class UhidBoard {
public:
    explicit UhidBoard(const UhidBoardInfo& info, FeatureAnswers answers = {});
    ~UhidBoard();
    UhidBoard(const UhidBoard&) = delete;
    UhidBoard& operator=(const UhidBoard&) = delete;

    // False when /dev/uhid was missing or the kernel refused the board.
    bool created() const { return !node_.empty(); }
    // "/dev/hidrawN" of the board.
    const std::string& node() const { return node_; }

    // Queues one input report, report ID first when the board numbers them.
    bool input(const Bytes& report);
    // Unplugs the board; its node goes away.
    void destroy();

    // The last feature report the host set for a report ID, ID byte first.
    Bytes featureSet(std::uint8_t reportId);
    // Makes the next get-feature requests fail as a board that stalls would.
    void failGets(bool fail) { failGets_ = fail; }
    // The next count feature requests, of either kind, get no answer at all,
    // as from a board whose firmware hangs: the kernel gives up on each.
    void ignoreRequests(int count) { toIgnore_ = count; }
    int ignoredRequests() const { return ignored_; }

private:
    bool write(const void* event, std::size_t size);
    void answerRequests();

    int fd_ = -1;
    std::string node_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failGets_{false};
    std::atomic<int> toIgnore_{0};
    std::atomic<int> ignored_{0};
    FeatureAnswers answers_;
    std::thread responder_;
    std::mutex mutex_;
    std::map<std::uint8_t, Bytes> features_;
    bool destroyed_ = false;
};

} // namespace kestro::test
