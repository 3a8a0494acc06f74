// TIFF pixels: one decode for each sample format, whatever the layout. Strips or tiles, one
// plane or a plane a sample, only change how the stored bytes are gathered into rows of whole
// pixels; the orientation is applied once, to the finished picture.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "media/TiffFile.h"

namespace duovis::media::tiff {

namespace {

enum class Samples { UInt8, UInt16, Float32 };

// How the file keeps its samples, for the kinds decoded here.
struct Layout {
    std::uint32_t width = 0, height = 0;  // as stored
    int spp = 0;                          // samples a pixel
    int bytes = 0;                        // a sample
    Samples samples = Samples::UInt8;
    bool grey = false;
    bool separate = false;  // a plane a sample
    bool tiled = false;
    std::uint32_t blockWidth = 0, blockHeight = 0;  // a tile, or a strip of whole rows
};

// False for what libtiff's 8-bit reader is left to decode (palettes, YCbCr, odd depths).
bool directLayout(TIFF* t, Layout& l) {
    const auto bits = field<std::uint16_t>(t, TIFFTAG_BITSPERSAMPLE, 8);
    const auto format = field<std::uint16_t>(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    const auto photometric = field<std::uint16_t>(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    l.spp = field<std::uint16_t>(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    l.grey = photometric == PHOTOMETRIC_MINISBLACK && l.spp >= 1 && l.spp <= 2;
    const bool rgb = photometric == PHOTOMETRIC_RGB && (l.spp == 3 || l.spp == 4);
    if (format == SAMPLEFORMAT_IEEEFP && bits == 32) {
        l.samples = Samples::Float32;
    } else if (format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16)) {
        l.samples = bits == 8 ? Samples::UInt8 : Samples::UInt16;
    } else {
        return false;
    }
    if (!l.grey && !rgb) return false;
    l.bytes = bits / 8;
    l.width = field<std::uint32_t>(t, TIFFTAG_IMAGEWIDTH, 0);
    l.height = field<std::uint32_t>(t, TIFFTAG_IMAGELENGTH, 0);
    l.separate = field<std::uint16_t>(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == PLANARCONFIG_SEPARATE;
    l.tiled = TIFFIsTiled(t) != 0;
    if (l.tiled) {
        l.blockWidth = field<std::uint32_t>(t, TIFFTAG_TILEWIDTH, 0);
        l.blockHeight = field<std::uint32_t>(t, TIFFTAG_TILELENGTH, 0);
    } else {
        l.blockWidth = l.width;
        l.blockHeight = std::min(field<std::uint32_t>(t, TIFFTAG_ROWSPERSTRIP, l.height), l.height);
    }
    return true;
}

// One tile or strip of one plane into `block`, its rows `blockWidth` pixels apart.
void readBlock(TIFF* t, const Layout& l, std::uint32_t x, std::uint32_t y, int plane,
               std::vector<unsigned char>& block, const std::string& path) {
    const auto s = static_cast<std::uint16_t>(plane);
    const tmsize_t got = l.tiled ? TIFFReadEncodedTile(t, TIFFComputeTile(t, x, y, 0, s), block.data(),
                                                       static_cast<tmsize_t>(block.size()))
                                 : TIFFReadEncodedStrip(t, TIFFComputeStrip(t, y, s), block.data(),
                                                        static_cast<tmsize_t>(block.size()));
    if (got < 0) cannotRead(path);
}

// Every sample in stored order, rows of whole pixels, as the file's layout keeps them.
std::vector<unsigned char> gather(TIFF* t, const Layout& l, const std::string& path) {
    const std::size_t pixel = static_cast<std::size_t>(l.spp) * l.bytes;
    const std::size_t inBlock = l.separate ? static_cast<std::size_t>(l.bytes) : pixel;
    const std::uint64_t blockBytes = std::uint64_t(l.blockWidth) * l.blockHeight * inBlock;
    const std::uint64_t pictureBytes = std::uint64_t(l.width) * l.height * pixel;
    // A tile may overhang the picture, but not by more than a tile's worth of rounding.
    if (l.blockWidth == 0 || l.blockHeight == 0 || blockBytes > 4 * pictureBytes + (1u << 20))
        throw std::runtime_error(path + ": cannot read TIFF file (tiles of " + std::to_string(l.blockWidth) +
                                 " x " + std::to_string(l.blockHeight) + " do not fit the picture)");
    std::vector<unsigned char> out(static_cast<std::size_t>(pictureBytes));
    std::vector<unsigned char> block(static_cast<std::size_t>(blockBytes));
    for (int plane = 0; plane < (l.separate ? l.spp : 1); ++plane)
        for (std::uint32_t y = 0; y < l.height; y += l.blockHeight)
            for (std::uint32_t x = 0; x < l.width; x += l.blockWidth) {
                readBlock(t, l, x, y, plane, block, path);
                const std::uint32_t rows = std::min(l.blockHeight, l.height - y);
                const std::uint32_t cols = std::min(l.blockWidth, l.width - x);
                for (std::uint32_t r = 0; r < rows; ++r) {
                    const unsigned char* src = block.data() + std::size_t(r) * l.blockWidth * inBlock;
                    unsigned char* dst = out.data() + ((std::size_t(y) + r) * l.width + x) * pixel +
                                         static_cast<std::size_t>(plane) * l.bytes;
                    if (!l.separate) {
                        std::memcpy(dst, src, cols * pixel);
                        continue;
                    }
                    for (std::uint32_t c = 0; c < cols; ++c)
                        std::memcpy(dst + c * pixel, src + c * inBlock, inBlock);
                }
            }
    return out;
}

template <typename T>
float unitOf(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::is_floating_point_v<T>) {
        return v;
    } else {
        return unitFromInt(v, static_cast<int>(8 * sizeof(T)));
    }
}

// The samples as RGBA: grey fills the three colours, and a missing alpha is opaque.
template <typename T>
void decode(const std::vector<unsigned char>& samples, const Layout& l, Picture& pic) {
    const std::size_t count = std::size_t(l.width) * l.height;
    const int used = std::min(l.spp, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = samples.data() + i * static_cast<std::size_t>(l.spp) * sizeof(T);
        float v[4] = {0, 0, 0, 1};
        for (int c = 0; c < used; ++c) v[c] = unitOf<T>(p + c * sizeof(T));
        if (l.grey) v[3] = l.spp == 2 ? v[1] : 1.0f, v[1] = v[2] = v[0];
        std::memcpy(pic.rgba.data() + i * 4, v, sizeof v);
    }
}

Picture readDirect(TIFF* t, const Layout& l, const std::string& path) {
    const std::vector<unsigned char> samples = gather(t, l, path);
    const bool isFloat = l.samples == Samples::Float32;
    Picture pic(static_cast<int>(l.width), static_cast<int>(l.height), 8 * l.bytes, isFloat);
    if (l.samples == Samples::UInt8) decode<std::uint8_t>(samples, l, pic);
    if (l.samples == Samples::UInt16) decode<std::uint16_t>(samples, l, pic);
    if (isFloat) decode<float>(samples, l, pic);
    return pic;
}

// libtiff's 8-bit RGBA reader, asked for the file's own orientation so that it turns nothing.
Picture readThroughRgba(TIFF* t, int orientation, const std::string& path) {
    const auto w = field<std::uint32_t>(t, TIFFTAG_IMAGEWIDTH, 0);
    const auto h = field<std::uint32_t>(t, TIFFTAG_IMAGELENGTH, 0);
    std::vector<std::uint32_t> px(std::size_t(w) * h);
    if (!TIFFReadRGBAImageOriented(t, w, h, px.data(), orientation, 0)) cannotRead(path);
    Picture pic(static_cast<int>(w), static_cast<int>(h));
    for (std::size_t i = 0; i < px.size(); ++i) {
        pic.rgba[i * 4 + 0] = unitFromInt(TIFFGetR(px[i]), 8);
        pic.rgba[i * 4 + 1] = unitFromInt(TIFFGetG(px[i]), 8);
        pic.rgba[i * 4 + 2] = unitFromInt(TIFFGetB(px[i]), 8);
        pic.rgba[i * 4 + 3] = unitFromInt(TIFFGetA(px[i]), 8);
    }
    return pic;
}

// `stored` as seen: orientations 2 to 4 mirror it, 5 to 8 also swap rows and columns.
Picture oriented(Picture stored, int orientation) {
    if (orientation == ORIENTATION_TOPLEFT) return stored;
    const bool swap = swapsSides(orientation);
    const bool flipX = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
    const bool flipY = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
    const int w = swap ? stored.height : stored.width, h = swap ? stored.width : stored.height;
    Picture out(w, h, stored.bits, stored.isFloat);
    for (int sy = 0; sy < stored.height; ++sy)
        for (int sx = 0; sx < stored.width; ++sx) {
            const int u = swap ? sy : sx, v = swap ? sx : sy;
            const int x = flipX ? w - 1 - u : u, y = flipY ? h - 1 - v : v;
            std::memcpy(out.row(y) + x * 4, stored.row(sy) + sx * 4, 4 * sizeof(float));
        }
    return out;
}

}  // namespace

Picture readPicture(TIFF* t, const std::string& path) {
    const int orientation = orientationOf(t);
    Layout l;
    Picture stored = directLayout(t, l) ? readDirect(t, l, path) : readThroughRgba(t, orientation, path);
    return oriented(std::move(stored), orientation);
}

}  // namespace duovis::media::tiff
