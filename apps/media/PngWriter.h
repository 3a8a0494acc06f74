#pragma once
// PNG encoding tuned for render output: RGB unless alpha is to be kept, 16 bits for deep
// sources, and a fast deflate with one cheap filter, so writing costs less than rendering.

#include <QByteArray>

#include "media/Picture.h"

namespace duovis::media {

QByteArray encodePng(const Picture& picture);

}  // namespace duovis::media
