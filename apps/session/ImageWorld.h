#pragma once
// Image files to host worlds and back, in the pixel format the chosen host uses.

#include <QImage>
#include <QString>

#include "World.h"
#include "media/Picture.h"

namespace duovis::session {

refhost::World toWorld(const QImage& image, refhost::PixelFormat format);
// More than 8 bits a channel (16-bit colour or grey, 10-bit colour): worth a deep output.
bool hasDeepChannels(const QImage& image);
// `deep` keeps 16 bits a channel (float worlds only).
QImage fromWorld(const refhost::World& world, bool deep);

// Pictures from the media readers to worlds and back. Float worlds take the values as they
// are (no clamping, NaN kept); 8-bit worlds round them. The picture made from a float world
// keeps the source's depth (`bits`, `isFloat`) so writers choose the file's depth from it.
refhost::World worldFor(const media::Picture& picture, refhost::PixelFormat format);
// The order of an 8-bit picture's bytes that makes a world of `format` cheapest: the 8-bit
// world's own ARGB, copied as it is; RGBA for float worlds, which reorder anyway.
media::ByteOrder bytesFor(refhost::PixelFormat format);
media::Picture pictureFor(const refhost::World& world, int bits, bool isFloat);
// The same, leaving `world` empty; an 8-bit world's pixels become the picture's in place, their
// bytes in `order` (the world's own ARGB needs no pass over them).
media::Picture pictureFor(refhost::World&& world, int bits, bool isFloat,
                          media::ByteOrder order = media::ByteOrder::Rgba);

}  // namespace duovis::session
