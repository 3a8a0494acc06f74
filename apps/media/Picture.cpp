#include "media/Picture.h"

#include <utility>

namespace duovis::media {

Picture Picture::bytes(int w, int h) {
    Picture pic;
    pic.width = w;
    pic.height = h;
    pic.rgba8.resize(static_cast<std::size_t>(w) * h * 4);
    return pic;
}

bool Picture::opaque() const {
    for (std::size_t i = 3; i < rgba8.size(); i += 4)
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
    for (std::size_t i = 0; i < pic.rgba8.size(); ++i) scratch.rgba[i] = unit[pic.rgba8[i]];
    return scratch;
}

Frame Frame::of(Picture picture) {
    Frame frame;
    frame.views.push_back(std::move(picture));
    return frame;
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace duovis::media
