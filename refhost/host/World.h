#pragma once
// A pixel buffer the host owns and lends to an effect as a PF_LayerDef.

#include <cstdint>
#include <vector>

#include "AE_Effect.h"

namespace duovis::refhost {

enum class PixelFormat {
    Argb8,   // 4 bytes: alpha, red, green, blue
    Bgra32f  // 4 floats: blue, green, red, alpha
};

int bytesPerPixel(PixelFormat format);

class World {
  public:
    World() = default;
    // `rowPadding` extra bytes end every row, so effects that ignore rowbytes show up.
    World(int width, int height, PixelFormat format, int rowPadding = 0);

    World(const World& other);
    World& operator=(const World& other);
    World(World&&) noexcept = default;
    World& operator=(World&&) noexcept = default;

    int width() const { return width_; }
    int height() const { return height_; }
    int rowbytes() const { return rowbytes_; }
    PixelFormat format() const { return format_; }
    bool empty() const { return bytes_.empty(); }

    std::uint8_t* pixelBytes(int x, int y);
    const std::uint8_t* pixelBytes(int x, int y) const;

    PF_Pixel8 argb(int x, int y) const;
    void setArgb(int x, int y, PF_Pixel8 p);
    PF_Pixel_BGRA_32f bgra(int x, int y) const;
    void setBgra(int x, int y, PF_Pixel_BGRA_32f p);

    void fillArgb(PF_Pixel8 p);
    void fillBgra(PF_Pixel_BGRA_32f p);

    // True when every pixel (padding excluded) holds the same bytes in both worlds.
    bool samePixels(const World& other) const;

    // The pixels in rows of exactly width pixels, handed over without a copy; the world is
    // left empty.
    std::vector<std::uint8_t> takePixels();

    // The view handed to the effect; it points into this world's buffer.
    PF_LayerDef* def();

  private:
    void refreshDef();

    int width_ = 0;
    int height_ = 0;
    int rowbytes_ = 0;
    PixelFormat format_ = PixelFormat::Argb8;
    std::vector<std::uint8_t> bytes_;
    PF_LayerDef def_{};
};

}  // namespace duovis::refhost
