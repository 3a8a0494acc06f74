#pragma once
// One picture as every reader delivers it and every writer takes it: straight RGBA floats, so
// 10-bit, 16-bit and float sources keep their values (no clamping, NaN kept) until a writer of
// a narrower format has to round them.

#include <cstddef>
#include <string>
#include <vector>

namespace duovis::media {

struct Picture {
    int width = 0;
    int height = 0;
    // The source's depth a channel: 8, 10, 12 or 16 for integer files, 32 for float ones.
    // Writers of integer formats use it to choose 8 or 16 bits.
    int bits = 8;
    bool isFloat = false;
    std::vector<float> rgba;  // width * height * 4, rows top to bottom

    Picture() = default;
    Picture(int w, int h, int depth = 8, bool floating = false)
        : width(w), height(h), bits(depth), isFloat(floating), rgba(static_cast<std::size_t>(w) * h * 4) {}

    bool empty() const { return width <= 0 || height <= 0; }
    float* row(int y) { return rgba.data() + static_cast<std::size_t>(y) * width * 4; }
    const float* row(int y) const { return rgba.data() + static_cast<std::size_t>(y) * width * 4; }
    // Whether every alpha is 1, so a writer may leave the channel out.
    bool opaque() const;
};

// A frame as a file holds it: one picture, or the left and right views of a two-view file.
struct Frame {
    std::vector<Picture> views;
    bool stereo() const { return views.size() == 2; }
};

// "W x H", as every message about a picture's size puts it.
std::string sizeText(int width, int height);

// Integer channel values of `bits` bits to and from 0..1, rounding to nearest and clamping:
// the one rule every integer format shares.
float unitFromInt(unsigned value, int bits);
unsigned intFromUnit(float value, int bits);

}  // namespace duovis::media
