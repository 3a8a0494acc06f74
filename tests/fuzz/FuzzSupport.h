// What every fuzz target shares: a failed invariant stops the run with a message, and the input
// is taken apart by a small reader that yields zeros once it runs dry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace duovis::fuzz {

// A broken invariant is a finding: libFuzzer keeps the input that caused the abort.
inline void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t left() const { return size_ - at_; }

    template <class T>
    T take() {
        T v{};
        const std::size_t n = left() < sizeof v ? left() : sizeof v;
        if (n > 0) std::memcpy(&v, data_ + at_, n);
        at_ += n;
        return v;
    }

    // A whole number in [lo, hi].
    int range(int lo, int hi) {
        const auto span = static_cast<std::uint32_t>(hi - lo) + 1u;
        return lo + static_cast<int>(take<std::uint16_t>() % span);
    }

    bool flag() { return (take<std::uint8_t>() & 1u) != 0; }

    // The rest of the input, in a buffer of exactly its size so the address sanitizer sees any
    // read past its end.
    std::vector<std::uint8_t> rest() {
        std::vector<std::uint8_t> out(data_ + at_, data_ + size_);
        at_ = size_;
        return out;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace duovis::fuzz
