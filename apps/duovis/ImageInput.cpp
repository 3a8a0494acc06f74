#include "ImageInput.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "ImageWorld.h"
#include "StillFile.h"

namespace duovis::cli {

namespace {

constexpr double kDefaultMaxMegapixels = 300.0;

double megapixelsFrom(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0.0)
        throw std::runtime_error(what + ": '" + text + "' is not a positive number of megapixels");
    return v;
}

}  // namespace

qint64 maxInputPixels(const std::optional<std::string>& flag) {
    double megapixels = kDefaultMaxMegapixels;
    if (flag) {
        megapixels = megapixelsFrom(*flag, "--max-megapixels");
    } else if (qEnvironmentVariableIsSet("DUOVIS_MAX_MEGAPIXELS")) {
        megapixels = megapixelsFrom(qEnvironmentVariable("DUOVIS_MAX_MEGAPIXELS").toStdString(),
                                    "DUOVIS_MAX_MEGAPIXELS");
    }
    // Beyond any size a PNG can declare; keeps the product in range.
    return static_cast<qint64>(std::min(megapixels, 1e12) * 1e6);
}

QSize declaredImageSize(const std::string& path) {
    const media::StillHeader h = media::readStillHeader(path);
    return {h.width, h.height};
}

refhost::World readWorld(const std::string& path, refhost::PixelFormat format, qint64 maxPixels) {
    const media::Frame frame = media::readStill(path, maxPixels);
    try {
        return worldFor(frame.views.front(), format);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(path + ": not enough memory for a " +
                                 media::sizeText(frame.views.front().width, frame.views.front().height) +
                                 " frame");
    }
}

std::string sizeText(const QSize& s) {
    return media::sizeText(s.width(), s.height());
}

}  // namespace duovis::cli
