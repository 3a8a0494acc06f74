#include "media/StreamMeta.h"

extern "C" {
#include <libavutil/display.h>
}

#include <cmath>
#include <cstdio>

#include "media/StillFile.h"

namespace duovis::media {

double rotationDegrees(const DisplayMatrix& matrix) {
    const double degrees = av_display_rotation_get(matrix.data());
    return std::isnan(degrees) ? 0.0 : degrees;
}

bool carriesRotation(const std::string& path) {
    const std::string ext = extensionOf(path);
    return ext == "mp4" || ext == "mov" || ext == "m4v";
}

// Turning the frames would turn the eyes with them: a side-by-side pair would become a
// top-bottom one and the parallax vertical, so the frames are always rendered as stored.
std::string rotationNotice(const std::string& output, const DisplayMatrix& matrix) {
    char degrees[32];
    std::snprintf(degrees, sizeof degrees, "%g", rotationDegrees(matrix));
    const std::string shown = "the source is shown rotated (" + std::string(degrees) + " degrees)";
    if (carriesRotation(output))
        return "duovis: note: " + output + ": " + shown +
               "; rendered as stored, the output carries the same rotation";
    const std::string holder = output == "-" ? "a pipe" : "." + extensionOf(output) + " files";
    return "duovis: warning: " + (output == "-" ? std::string("standard output") : output) + ": " + shown +
           "; " + holder +
           " cannot carry it, so the frames are written as stored, unrotated (.mp4 and .mov "
           "carry it)";
}

}  // namespace duovis::media
