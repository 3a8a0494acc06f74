#pragma once
// Image files to host worlds and back, in the pixel format the chosen host uses.

#include <QImage>
#include <QString>

#include "World.h"

namespace duovis::cli {

refhost::World toWorld(const QImage& image, refhost::PixelFormat format);
// More than 8 bits a channel (16-bit colour or grey, 10-bit colour): worth a deep output.
bool hasDeepChannels(const QImage& image);
// `deep` keeps 16 bits a channel (float worlds only).
QImage fromWorld(const refhost::World& world, bool deep);

}  // namespace duovis::cli
