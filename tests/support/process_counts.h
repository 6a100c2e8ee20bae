// What a process holds, counted from /proc: descriptors and threads a
// backend must give back.
#pragma once

#include "waiting.h"

#include <chrono>
#include <cstddef>
#include <dirent.h>

namespace kestro::test {

inline std::size_t entriesIn(const char* path) {
    std::size_t count = 0;
    if (DIR* dir = ::opendir(path)) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count;
}

inline std::size_t openDescriptorCount() {
    return entriesIn("/proc/self/fd");
}

inline std::size_t threadCount() {
    return entriesIn("/proc/self/task");
}

// A joined thread lingers in /proc for a moment after it has run its last.
inline bool threadCountComesBackTo(std::size_t count) {
    return waitUntil([count] { return threadCount() == count; }, std::chrono::seconds(1),
                     std::chrono::milliseconds(1));
}

} // namespace kestro::test
