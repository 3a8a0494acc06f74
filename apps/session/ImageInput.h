#pragma once
// Image files as the commands read them, through the media readers. Names are the bytes the
// user typed (a name need not be valid UTF-8), and every refusal names the file: not there, a
// directory, claiming more pixels than allowed, or not decodable.

#include <QSize>
#include <optional>
#include <string>

#include "World.h"
#include "media/PixelLimit.h"

namespace duovis::session {

// The most pixels one input may declare (--max-megapixels, DUOVIS_MAX_MEGAPIXELS, 300): the
// media library's rule, which depthscope shares.
using media::maxInputPixels;

// The size the file declares, read from its header without decoding any pixels.
QSize declaredImageSize(const std::string& path);

// The file's (first) picture as a world of the host's pixel format.
refhost::World readWorld(const std::string& path, refhost::PixelFormat format, qint64 maxPixels);

// "W x H", as every message about a picture's size puts it.
std::string sizeText(const QSize& size);

}  // namespace duovis::session
