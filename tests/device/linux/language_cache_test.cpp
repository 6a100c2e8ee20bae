// The language asked once per USB device is kept for that device only: a
// device that goes is forgotten, and one that comes at the same node path is
// asked afresh.
#include "linux/usb_string.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kestro::linux_hid {
namespace {

class LanguageCacheTest : public testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/kestro-lang-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // A stand-in for a device node: a file whose identity is its inode.
    std::string node(const std::string& name) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path).put('x');
        return path;
    }
    // Another device at the same path; made before the old one goes, so the
    // file system cannot hand it the old inode.
    void replace(const std::string& path) {
        const std::string fresh = node("fresh");
        std::filesystem::rename(fresh, path);
    }

    std::string dir_;
    LanguageCache cache;
};

TEST_F(LanguageCacheTest, KeptForItsDeviceOnlyWhileThatDeviceIsThere) {
    const std::string kept = node("001");
    const std::string gone = node("002");
    const std::string replaced = node("003");
    for (const std::string& n : {kept, gone, replaced})
        cache.remember(n, *identityOf(n), 0x0407);

    std::filesystem::remove(gone);
    replace(replaced);
    EXPECT_EQ(cache.find(kept, *identityOf(kept)), 0x0407);
    EXPECT_FALSE(cache.find(replaced, *identityOf(replaced)));
    cache.forgetGone();
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.find(kept, *identityOf(kept)), 0x0407);
}

} // namespace
} // namespace kestro::linux_hid
