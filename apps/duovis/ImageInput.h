#pragma once
// Image files as the commands read them. Names are the bytes the user typed (a name need not
// be valid UTF-8), and every refusal names the file: not there, a directory, claiming more
// pixels than allowed, or not decodable.

#include <sys/types.h>
#include <QImage>
#include <QSize>
#include <optional>
#include <string>

#include "World.h"

namespace duovis::cli {

// The most pixels one input may declare: --max-megapixels, else DUOVIS_MAX_MEGAPIXELS, else
// 300 megapixels. Throws std::runtime_error naming the flag or the variable when it is not a
// positive number.
qint64 maxInputPixels(const std::optional<std::string>& flag);

// The size the file declares, read from its header without decoding any pixels.
QSize declaredImageSize(const std::string& path);

// Decodes the file after checking its declared size against `maxPixels`.
QImage readImage(const std::string& path, qint64 maxPixels);
// The decoded image of `path` as a world of the host's pixel format.
refhost::World worldFor(const QImage& image, refhost::PixelFormat format, const std::string& path);
// readImage, then worldFor.
refhost::World readWorld(const std::string& path, refhost::PixelFormat format, qint64 maxPixels);

// "W x H", as every message about a picture's size puts it.
std::string sizeText(const QSize& size);

// What the file system knows a file by, whatever name reaches it.
struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId& o) const { return device == o.device && inode == o.inode; }
};
// Null when nothing is there; links are followed.
std::optional<FileId> fileId(const std::string& path);

}  // namespace duovis::cli
