#include "World.h"

#include <cstring>
#include <stdexcept>

namespace duovis::refhost {

int bytesPerPixel(PixelFormat format) {
    return format == PixelFormat::Argb8 ? 4 : 16;
}

World::World(int width, int height, PixelFormat format, int rowPadding)
    : width_(width), height_(height), format_(format) {
    if (width < 0 || height < 0 || rowPadding < 0) {
        throw std::invalid_argument("world size and padding must not be negative");
    }
    rowbytes_ = width * bytesPerPixel(format) + rowPadding;
    bytes_.assign(static_cast<std::size_t>(rowbytes_) * static_cast<std::size_t>(height), 0);
    refreshDef();
}

World::World(const World& other)
    : width_(other.width_),
      height_(other.height_),
      rowbytes_(other.rowbytes_),
      format_(other.format_),
      bytes_(other.bytes_) {
    refreshDef();
}

World& World::operator=(const World& other) {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        rowbytes_ = other.rowbytes_;
        format_ = other.format_;
        bytes_ = other.bytes_;
        refreshDef();
    }
    return *this;
}

std::vector<std::uint8_t> World::takePixels() {
    const std::size_t packed =
        static_cast<std::size_t>(width_) * static_cast<std::size_t>(bytesPerPixel(format_));
    const std::size_t stride = static_cast<std::size_t>(rowbytes_);
    if (packed != stride)
        for (std::size_t y = 1; y < static_cast<std::size_t>(height_); ++y)
            std::memmove(bytes_.data() + y * packed, bytes_.data() + y * stride, packed);
    bytes_.resize(packed * static_cast<std::size_t>(height_));
    std::vector<std::uint8_t> pixels = std::move(bytes_);
    *this = World();
    return pixels;
}

std::uint8_t* World::pixelBytes(int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        throw std::out_of_range("pixel outside the world");
    }
    return bytes_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowbytes_) +
           static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel(format_));
}

const std::uint8_t* World::pixelBytes(int x, int y) const {
    return const_cast<World*>(this)->pixelBytes(x, y);
}

PF_Pixel8 World::argb(int x, int y) const {
    if (format_ != PixelFormat::Argb8) throw std::logic_error("not an 8-bit world");
    PF_Pixel8 p{};
    std::memcpy(&p, pixelBytes(x, y), sizeof p);
    return p;
}

void World::setArgb(int x, int y, PF_Pixel8 p) {
    if (format_ != PixelFormat::Argb8) throw std::logic_error("not an 8-bit world");
    std::memcpy(pixelBytes(x, y), &p, sizeof p);
}

PF_Pixel_BGRA_32f World::bgra(int x, int y) const {
    if (format_ != PixelFormat::Bgra32f) throw std::logic_error("not a float world");
    PF_Pixel_BGRA_32f p{};
    std::memcpy(&p, pixelBytes(x, y), sizeof p);
    return p;
}

void World::setBgra(int x, int y, PF_Pixel_BGRA_32f p) {
    if (format_ != PixelFormat::Bgra32f) throw std::logic_error("not a float world");
    std::memcpy(pixelBytes(x, y), &p, sizeof p);
}

void World::fillArgb(PF_Pixel8 p) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) setArgb(x, y, p);
}

void World::fillBgra(PF_Pixel_BGRA_32f p) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) setBgra(x, y, p);
}

bool World::samePixels(const World& other) const {
    if (width_ != other.width_ || height_ != other.height_ || format_ != other.format_) return false;
    const auto rowLength = static_cast<std::size_t>(width_ * bytesPerPixel(format_));
    for (int y = 0; y < height_ && rowLength > 0; ++y) {
        if (std::memcmp(pixelBytes(0, y), other.pixelBytes(0, y), rowLength) != 0) return false;
    }
    return true;
}

PF_LayerDef* World::def() {
    refreshDef();
    return &def_;
}

void World::refreshDef() {
    def_ = PF_LayerDef{};
    def_.data = bytes_.empty() ? nullptr : bytes_.data();
    def_.rowbytes = rowbytes_;
    def_.width = width_;
    def_.height = height_;
    def_.extent_hint = PF_Rect{0, 0, width_, height_};
    def_.pix_aspect_ratio = PF_RationalScale{1, 1};
}

}  // namespace duovis::refhost
