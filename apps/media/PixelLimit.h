#pragma once
// How many pixels one input may declare, and the checks every reader makes on a declared size
// before it takes memory for the pixels. Sizes arrive as the file states them, in 64 bits, so a
// value that would wrap or turn negative in an int is refused rather than believed.

#include <cstdint>
#include <optional>
#include <string>

namespace duovis::media {

constexpr double kDefaultMaxMegapixels = 300.0;
// The longest side of any picture: keeps a row of float RGBA and every x * 4 index inside an int.
constexpr std::int64_t kMaxPictureSide = std::int64_t(1) << 24;

// The most pixels one input may declare: `flag` (--max-megapixels), else DUOVIS_MAX_MEGAPIXELS,
// else kDefaultMaxMegapixels. Throws naming the flag or the variable when it is not a positive
// number.
long long maxInputPixels(const std::optional<std::string>& flag);

// Throws naming the file when a side is 0 or larger than any picture this program holds.
// `what` says which window of the file it is ("" for the picture itself).
void checkDeclaredSides(const std::string& path, std::int64_t width, std::int64_t height,
                        const std::string& what = "");

// Throws naming the file when `width` x `height` is more than `maxPixels`.
void checkPixelLimit(const std::string& path, std::uint64_t width, std::uint64_t height, long long maxPixels,
                     const std::string& what = "");

}  // namespace duovis::media
