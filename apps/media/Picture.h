#pragma once
// One picture as every reader delivers it and every writer takes it: straight RGBA floats, so
// 10-bit, 16-bit and float sources keep their values (no clamping, NaN kept) until a writer of
// a narrower format has to round them. 8-bit pictures may keep their bytes instead: they have
// no precision a float would keep, and skipping the conversion halves the memory traffic of
// 8-bit work.

#include <cstddef>
#include <string>
#include <vector>

namespace duovis::media {

// Where an 8-bit picture keeps each channel of a pixel. Files and their readers and writers use
// RGBA; video frames may come and go in the compositing host's ARGB instead, which spares them a
// reordering pass each way.
enum class ByteOrder : unsigned char { Rgba, Argb };

// The byte of a pixel holding `channel` (0 red, 1 green, 2 blue, 3 alpha) in `order`.
constexpr int byteOf(ByteOrder order, int channel) {
    return order == ByteOrder::Rgba ? channel : (channel + 1) % 4;
}

struct Picture {
    int width = 0;
    int height = 0;
    // The source's depth a channel: 8, 10, 12 or 16 for integer files, 32 for float ones.
    // Writers of integer formats use it to choose 8 or 16 bits.
    int bits = 8;
    bool isFloat = false;
    std::vector<float> rgba;            // width * height * 4, rows top to bottom, unless bytes
    std::vector<unsigned char> rgba8;   // the same as bytes, for 8-bit pictures made that way
    ByteOrder order = ByteOrder::Rgba;  // of rgba8

    Picture() = default;
    Picture(int w, int h, int depth = 8, bool floating = false)
        : width(w), height(h), bits(depth), isFloat(floating), rgba(static_cast<std::size_t>(w) * h * 4) {}
    static Picture bytes(int w, int h);

    bool empty() const { return width <= 0 || height <= 0; }
    bool inBytes() const { return !rgba8.empty(); }
    float* row(int y) { return rgba.data() + static_cast<std::size_t>(y) * width * 4; }
    const float* row(int y) const { return rgba.data() + static_cast<std::size_t>(y) * width * 4; }
    unsigned char* row8(int y) { return rgba8.data() + static_cast<std::size_t>(y) * width * 4; }
    const unsigned char* row8(int y) const { return rgba8.data() + static_cast<std::size_t>(y) * width * 4; }
    // Whether every alpha is 1, so a writer may leave the channel out.
    bool opaque() const;
};

// An 8-bit picture's bytes put in `order`, in place; other pictures are left as they are.
void reorderBytes(Picture& picture, ByteOrder order);

// `picture` in floats: itself, or its bytes converted into `scratch`.
const Picture& inFloats(const Picture& picture, Picture& scratch);

// A frame as a file holds it: one picture, or the left and right views of a two-view file.
struct Frame {
    std::vector<Picture> views;
    bool stereo() const { return views.size() == 2; }
    // A one-view frame that takes the picture's pixels; a braced list would copy them.
    static Frame of(Picture picture);
};

// `frame` with its 8-bit views' bytes in `order`: itself, or a copy turned into `scratch`.
const Frame& inByteOrder(const Frame& frame, ByteOrder order, Frame& scratch);

// "W x H", as every message about a picture's size puts it.
std::string sizeText(int width, int height);

// Integer channel values of `bits` bits to and from 0..1, rounding to nearest and clamping:
// the one rule every integer format shares.
// NaN has no integer meaning and becomes 0, as the 8-bit host makes it. Rounds half up, as
// lround does: below 0.5 the sum could round up to 1 in float, so that case is spelled out.
inline float unitFromInt(unsigned value, int bits) {
    return static_cast<float>(value) / static_cast<float>((1u << bits) - 1u);
}
inline unsigned intFromUnit(float value, int bits) {
    const float c = value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
    const float scaled = c * static_cast<float>((1u << bits) - 1u);
    return scaled < 0.5f ? 0u : static_cast<unsigned>(scaled + 0.5f);
}

}  // namespace duovis::media
