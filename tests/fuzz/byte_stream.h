// The fuzz input read front to back. Once it runs out every read gives 0,
// which the fuzz platform takes as the sane answer, so a short input still
// plays a whole, ordinary window life.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestro::fuzz {

class ByteStream {
public:
    ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[at_++]; }
    std::uint16_t u16() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | (byte() << 8));
    }
    // 0 … n - 1.
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : u16() % n; }
    // n bytes; zeros where the input has run out.
    std::vector<std::uint8_t> bytes(std::size_t n) {
        std::vector<std::uint8_t> out(n, 0);
        for (std::size_t i = 0; i < n && !empty(); ++i)
            out[i] = data_[at_++];
        return out;
    }
    template <class T, std::size_t N> T pick(const T (&table)[N]) { return table[below(N)]; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace kestro::fuzz
