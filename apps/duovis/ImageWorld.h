#pragma once
// Image files to host worlds and back, in the pixel format the chosen host uses.

#include <QImage>
#include <QString>

#include "World.h"

namespace duovis::cli {

// Reads an image file; throws std::runtime_error naming the file when it cannot be read
// or holds no pixels.
QImage readImage(const QString& path);

refhost::World toWorld(const QImage& image, refhost::PixelFormat format);
// `deep` keeps 16 bits a channel (float worlds only).
QImage fromWorld(const refhost::World& world, bool deep);

}  // namespace duovis::cli
