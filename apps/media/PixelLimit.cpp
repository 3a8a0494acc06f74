#include "media/PixelLimit.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace duovis::media {

namespace {

double megapixelsFrom(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0.0)
        throw std::runtime_error(what + ": '" + text + "' is not a positive number of megapixels");
    return v;
}

std::string megapixelsText(long long pixels) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(pixels) / 1e6);
    return text;
}

std::string declared(const std::string& path, std::int64_t w, std::int64_t h, const std::string& what) {
    return path + ": declares " + std::to_string(w) + " x " + std::to_string(h) + " pixels" +
           (what.empty() ? "" : " (" + what + ")");
}

}  // namespace

long long maxInputPixels(const std::optional<std::string>& flag) {
    double megapixels = kDefaultMaxMegapixels;
    if (flag) {
        megapixels = megapixelsFrom(*flag, "--max-megapixels");
    } else if (qEnvironmentVariableIsSet("DUOVIS_MAX_MEGAPIXELS")) {
        megapixels = megapixelsFrom(qEnvironmentVariable("DUOVIS_MAX_MEGAPIXELS").toStdString(),
                                    "DUOVIS_MAX_MEGAPIXELS");
    }
    // Beyond any size a header can declare; keeps the product in range.
    return static_cast<long long>(std::min(megapixels, 1e12) * 1e6);
}

void checkDeclaredSides(const std::string& path, std::int64_t width, std::int64_t height,
                        const std::string& what) {
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        throw std::runtime_error(declared(path, width, height, what) + ", not a usable picture size");
}

void checkPixelLimit(const std::string& path, std::uint64_t width, std::uint64_t height, long long maxPixels,
                     const std::string& what) {
    // Either side alone past the limit also keeps the product from wrapping.
    const auto limit = static_cast<std::uint64_t>(std::max(maxPixels, 0LL));
    if (width <= limit && height <= limit && (width == 0 || height <= limit / width)) return;
    throw std::runtime_error(
        declared(path, static_cast<std::int64_t>(std::min<std::uint64_t>(width, INT64_MAX)),
                 static_cast<std::int64_t>(std::min<std::uint64_t>(height, INT64_MAX)), what) +
        ", more than the limit of " + megapixelsText(maxPixels) +
        " megapixels (raise it with --max-megapixels or DUOVIS_MAX_MEGAPIXELS)");
}

}  // namespace duovis::media
