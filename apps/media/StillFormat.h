#pragma once
// One family of single-picture files (PNG, Qt's other formats, OpenEXR, TIFF, DPX): how to
// know its files, read their header, decode and encode them. Each family lives in its own
// file and fills one of these; StillFile.cpp chooses among them.

#include <QByteArray>
#include <string>

#include "Picture.h"

namespace duovis::media {

struct StillHeader {
    int width = 0;
    int height = 0;
    int views = 1;  // 2 for a file holding a left and a right view
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
const StillFormat& tiffStillFormat();
const StillFormat& dpxStillFormat();

}  // namespace duovis::media
