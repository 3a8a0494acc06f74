#pragma once
// Single-picture files of every family, read and encoded by one entry each. Names are the
// bytes the user typed (a name need not be valid UTF-8), and every refusal names the file:
// not there, a directory, claiming more pixels than allowed, or not decodable.

#include <QByteArray>
#include <string>

#include "media/Picture.h"
#include "media/StillFormat.h"

namespace duovis::media {

// The file's size and views, from its header without decoding pixels.
StillHeader readStillHeader(const std::string& path);
// Decodes the file after checking its declared size against `maxPixels`.
Frame readStill(const std::string& path, long long maxPixels);
// The bytes of `frame` in the format the output name's extension chooses; throws naming the
// name and listing the formats there are when none writes that extension. `tiles` lays out
// an OpenEXR output; other families have no tiles.
QByteArray encodeStill(const Frame& frame, const std::string& path, TileSize tiles = {});
// Whether a family writes the extension of `path`, and whether that family keeps two views
// and tiles.
bool canEncodeStill(const std::string& path);
bool encodesViews(const std::string& path);
bool encodesTiles(const std::string& path);

// Lower-case extension without the dot ("" when none).
std::string extensionOf(const std::string& path);

}  // namespace duovis::media
