#pragma once
// One family of single-picture files (PNG, Qt's other formats, OpenEXR, TIFF, DPX): how to
// know its files, read their header, decode and encode them. Each family lives in its own
// file and fills one of these; StillFile.cpp chooses among them.

#include <QByteArray>
#include <string>

#include "Picture.h"

namespace duovis::media {

// Tiles a file keeps its pixels in; none (0 x 0) for files kept in scanlines.
struct TileSize {
    int width = 0;
    int height = 0;
    bool tiled() const { return width > 0 && height > 0; }
};

struct StillHeader {
    StillHeader() = default;
    StillHeader(int w, int h, int viewCount, TileSize tileSize = {})
        : width(w), height(h), views(viewCount), tiles(tileSize) {}
    int width = 0;
    int height = 0;
    int views = 1;  // 2 for a file holding a left and a right view
    TileSize tiles;
    // The most pixels decoding one view holds where that is more than width x height: an
    // OpenEXR data window beyond the display window, or a right view larger than the left.
    long long decodePixels = 0;
};

struct StillFormat {
    const char* name;
    // The file's first bytes (at least 4, fewer when the file is shorter) are this family's.
    bool (*recognises)(const QByteArray& head);
    // Output extensions, lower case, that this family writes.
    const char* const* extensions;
    StillHeader (*header)(const std::string& path);
    Frame (*decode)(const std::string& path);
    // The file's bytes for one picture, or two views where the family holds both.
    QByteArray (*encode)(const Frame& frame, const std::string& extension);
};

const StillFormat& pngStillFormat();
const StillFormat& qtStillFormat();
const StillFormat& exrStillFormat();
// OpenEXR bytes in tiles of `tiles` (at most the picture's size), or scanlines where it is none.
QByteArray encodeExr(const Frame& frame, TileSize tiles);
const StillFormat& tiffStillFormat();
const StillFormat& dpxStillFormat();

}  // namespace duovis::media
