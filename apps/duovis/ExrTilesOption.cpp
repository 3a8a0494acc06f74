#include "ExrTilesOption.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "media/StillFile.h"

namespace duovis::cli {

namespace {

// A side of a tile: digits only, at least 1; 0 where the text is not one.
int tileSide(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return 0;
    return std::stoi(text);
}

}  // namespace

media::TileSize exrTiles(const std::optional<std::string>& given, const std::string& output,
                         media::TileSize input) {
    if (!given) return media::encodesTiles(output) ? input : media::TileSize{};
    if (!media::encodesTiles(output))
        throw std::runtime_error(output + ": --exr-tiles needs an OpenEXR output (.exr)");
    if (*given == "none") return {};
    const auto x = given->find('x');
    const media::TileSize tiles = x == std::string::npos ? media::TileSize{}
                                                         : media::TileSize{tileSide(given->substr(0, x)),
                                                                           tileSide(given->substr(x + 1))};
    if (!tiles.tiled())
        throw std::runtime_error("--exr-tiles: '" + *given + "' is not a tile size such as 64x64, or none");
    return tiles;
}

}  // namespace duovis::cli
