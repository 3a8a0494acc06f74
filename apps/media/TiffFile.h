#pragma once
// What the TIFF reader and writer share: libtiff handles that close themselves, and libtiff's
// complaints kept as our message rather than printed.
#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>

#include "media/Picture.h"

namespace duovis::media::tiff {

struct Closer {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, Closer>;

// Routes libtiff's messages here and forgets the last one.
void keepMessages();
// libtiff's last complaint on this thread.
const std::string& lastError();

// Opens `path` for reading; throws naming the file when libtiff cannot.
TiffPtr openTiff(const std::string& path);
[[noreturn]] void cannotRead(const std::string& path);

template <typename T>
T field(TIFF* t, ttag_t tag, T fallback) {
    T v = fallback;
    return TIFFGetFieldDefaulted(t, tag, &v) == 1 ? v : fallback;
}

// The Orientation tag, 1 to 8; 1 where the file has none or another value.
int orientationOf(TIFF* t);
// Orientations 5 to 8 keep the picture's rows as the file's columns.
inline bool swapsSides(int orientation) {
    return orientation >= 5;
}

// The file's picture as it is to be seen (its Orientation applied), at the depth it keeps:
// 8- and 16-bit integers and 32-bit floats whether in strips or tiles, in one plane or a plane
// a sample; other kinds through libtiff's 8-bit reader.
Picture readPicture(TIFF* t, const std::string& path);

}  // namespace duovis::media::tiff
