#include "media/Picture.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace duovis::media {

namespace {

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

}  // namespace

Picture Picture::bytes(int w, int h) {
    Picture pic;
    pic.width = w;
    pic.height = h;
    pic.rgba8.resize(static_cast<std::size_t>(w) * h * 4);
    return pic;
}

bool Picture::opaque() const {
    for (std::size_t i = static_cast<std::size_t>(byteOf(order, 3)); i < rgba8.size(); i += 4)
        if (rgba8[i] != 255) return false;
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        if (!(rgba[i] == 1.0f)) return false;
    return true;
}

const Picture& inFloats(const Picture& pic, Picture& scratch) {
    if (!pic.inBytes()) return pic;
    scratch = Picture(pic.width, pic.height, 8, false);
    float unit[256];
    for (unsigned v = 0; v < 256; ++v) unit[v] = unitFromInt(v, 8);
    for (std::size_t i = 0; i < pic.rgba8.size(); i += 4)
        for (int c = 0; c < 4; ++c) scratch.rgba[i + c] = unit[pic.rgba8[i + byteOf(pic.order, c)]];
    return scratch;
}

void reorderBytes(Picture& pic, ByteOrder order) {
    if (pic.order == order) return;
    pic.order = order;
    // With two orders, a reorder turns each pixel's bytes by one place: RGBA to ARGB brings the
    // last byte first. Done on whole pixels so the compiler can vectorise it.
    const bool alphaFirst = order == ByteOrder::Argb;
    unsigned char* p = pic.rgba8.data();
    for (std::size_t i = 0; i < pic.rgba8.size(); i += 4) {
        std::uint32_t v;
        std::memcpy(&v, p + i, 4);
        if constexpr (kLittleEndian)
            v = alphaFirst ? (v << 8 | v >> 24) : (v >> 8 | v << 24);
        else
            v = alphaFirst ? (v >> 8 | v << 24) : (v << 8 | v >> 24);
        std::memcpy(p + i, &v, 4);
    }
}

Frame Frame::of(Picture picture) {
    Frame frame;
    frame.views.push_back(std::move(picture));
    return frame;
}

const Frame& inByteOrder(const Frame& frame, ByteOrder order, Frame& scratch) {
    for (const Picture& view : frame.views) {
        if (!view.inBytes() || view.order == order) continue;
        scratch = frame;
        for (Picture& turned : scratch.views) reorderBytes(turned, order);
        return scratch;
    }
    return frame;
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace duovis::media
