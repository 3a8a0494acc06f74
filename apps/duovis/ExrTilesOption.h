#pragma once
// --exr-tiles as duovis render reads it: how an OpenEXR output lays out its pixels.

#include <optional>
#include <string>

#include "media/StillFormat.h"

namespace duovis::cli {

// --exr-tiles WxH or none where given (refused unless `output` is OpenEXR); otherwise an
// OpenEXR output keeps `input`, the primary's tiles, and other outputs have none.
media::TileSize exrTiles(const std::optional<std::string>& given, const std::string& output,
                         media::TileSize input);

}  // namespace duovis::cli
