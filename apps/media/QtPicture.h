#pragma once
// Qt images as pictures, for pictures that are drawn rather than read from a file.

#include <QImage>

#include "media/Picture.h"

namespace duovis::media {

// 8-bit images keep their bytes; deeper ones become floats through 16 bits a channel.
Picture pictureFromImage(const QImage& image);

}  // namespace duovis::media
