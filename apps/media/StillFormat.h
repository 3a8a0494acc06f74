#pragma once
// One family of single-picture files (PNG, Qt's other formats, OpenEXR, TIFF, DPX): how to
// know its files, read their header, decode and encode them. Each family lives in its own
// file and fills one of these; StillFile.cpp chooses among them.

#include <QByteArray>
#include <cstdint>
#include <string>

#include "media/Picture.h"

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
    // The largest window a view is decoded into where that is not the picture (an OpenEXR data
    // window); 0 x 0 otherwise. It takes memory as the picture does.
    int dataWidth = 0;
    int dataHeight = 0;
};

// A header of the sides a file declares, refused naming the file where a side is 0, negative
// or larger than any picture: every family's header() makes its result here.
StillHeader declaredHeader(const std::string& path, std::int64_t width, std::int64_t height, int views = 1,
                           TileSize tiles = {});

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
