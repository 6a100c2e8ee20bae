// Every committed fuzz input, seeds and the inputs of faults once found,
// replayed in the ordinary suite: a broken invariant aborts the run.
#include "window_life.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kestro::fuzz {
namespace {

// Seeds in corpus/; the input of every fault the fuzzer found, once fixed, in
// regressions/.
TEST(Replay, EveryCommittedInputLivesThroughItsWindow) {
    int replayed = 0;
    for (const char* folder : {"corpus", "regressions"}) {
        const std::filesystem::path path = std::filesystem::path(KESTRO_FUZZ_INPUTS) / folder;
        if (!std::filesystem::is_directory(path))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(file), {}};
            // Named before it runs: an abort leaves no other trace of which.
            std::fprintf(stderr, "replaying %s/%s\n", folder,
                         entry.path().filename().string().c_str());
            playWindowLife(input.data(), input.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}

} // namespace
} // namespace kestro::fuzz
