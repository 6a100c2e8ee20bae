// An invariant of the window's life that a fuzz input broke: say which and
// stop, so libFuzzer keeps the input and a replay fails loudly.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace kestro::fuzz {

inline void require(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace kestro::fuzz
