#pragma once
// TIFF files laid out as other programs write them: strips or tiles, one plane or a plane a
// sample, 8- or 16-bit integers or floats, grey or RGB, with an Orientation tag.
#include <tiffio.h>

#include <cstring>
#include <string>
#include <vector>

#include "MediaFixture.h"

namespace duovis::mediatest {

struct TiffLayout {
    const char* name;
    bool tiled;
    bool separate;
};

struct TiffSamples {
    int bits;      // 8, 16 or 32 (float)
    int channels;  // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
};

// Channel `c` of the file's sample `s`: grey takes red, and its alpha alpha.
inline int sourceChannel(const TiffSamples& f, int s) {
    return f.channels <= 2 && s == 1 ? 3 : s;
}

inline void putSample(unsigned char* at, float v, int bits) {
    if (bits == 32) {
        std::memcpy(at, &v, 4);
    } else if (bits == 16) {
        const auto u = static_cast<std::uint16_t>(media::intFromUnit(v, 16));
        std::memcpy(at, &u, 2);
    } else {
        *at = static_cast<unsigned char>(media::intFromUnit(v, 8));
    }
}

// The samples of a `w` x `h` block at (x0, y0) of `pic` for `plane` (-1: all samples of each
// pixel together), zero beyond the picture's edge.
inline std::vector<unsigned char> blockOf(const media::Picture& pic, const TiffSamples& f, int x0, int y0,
                                          int w, int h, int plane) {
    const int bytes = f.bits / 8, spp = plane < 0 ? f.channels : 1;
    std::vector<unsigned char> out(static_cast<std::size_t>(w) * h * spp * bytes);
    for (int y = 0; y < h && y0 + y < pic.height; ++y)
        for (int x = 0; x < w && x0 + x < pic.width; ++x)
            for (int s = 0; s < spp; ++s) {
                const int c = sourceChannel(f, plane < 0 ? s : plane);
                putSample(out.data() + ((static_cast<std::size_t>(y) * w + x) * spp + s) * bytes,
                          pic.row(y0 + y)[(x0 + x) * 4 + c], f.bits);
            }
    return out;
}

// Writes `pic` (its values on the file's grid) as the layout and samples say.
inline void writeTiff(const std::string& path, const media::Picture& pic, const TiffSamples& f,
                      const TiffLayout& layout, int orientation = ORIENTATION_TOPLEFT) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr) << path;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(pic.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(pic.height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, f.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, f.channels);
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, f.bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, f.channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, layout.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    if (f.channels == 2 || f.channels == 4) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    const int bw = layout.tiled ? 16 : pic.width, bh = layout.tiled ? 16 : 5;
    if (layout.tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, bw);
        TIFFSetField(t, TIFFTAG_TILELENGTH, bh);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, bh);
    }
    for (int plane = layout.separate ? 0 : -1; plane < (layout.separate ? f.channels : 0); ++plane)
        for (int y = 0; y < pic.height; y += bh)
            for (int x = 0; x < pic.width; x += bw) {
                const int rows = layout.tiled ? bh : std::min(bh, pic.height - y);
                std::vector<unsigned char> block = blockOf(pic, f, x, y, bw, rows, plane);
                const auto s = static_cast<std::uint16_t>(plane < 0 ? 0 : plane);
                const tmsize_t n = static_cast<tmsize_t>(block.size());
                const tmsize_t wrote =
                    layout.tiled ? TIFFWriteEncodedTile(t, TIFFComputeTile(t, x, y, 0, s), block.data(), n)
                                 : TIFFWriteEncodedStrip(t, TIFFComputeStrip(t, y, s), block.data(), n);
                ASSERT_EQ(wrote, n) << path;
            }
    TIFFClose(t);
}

}  // namespace duovis::mediatest
