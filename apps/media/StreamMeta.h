#pragma once
// What a video stream says beyond its pixels, handed from the reader to the writer: where its
// clock stands at a frame, and how players turn its frames for display.

#include <array>
#include <cstdint>
#include <string>

namespace duovis::media {

// A point on a stream's clock: `ticks` of num/den seconds.
struct MediaTime {
    long long ticks = 0;
    int num = 1;
    int den = 1;
};

// A display matrix as containers keep it: 3 x 3, rows first, 16.16 fixed point (the last
// column 2.30).
using DisplayMatrix = std::array<std::int32_t, 9>;

// The matrix's rotation in degrees, counter-clockwise, as ffprobe reports it.
double rotationDegrees(const DisplayMatrix& matrix);

// Whether a video written to `path` keeps a display matrix (MP4 and MOV do, Matroska does not).
bool carriesRotation(const std::string& path);

// The one line that says what became of the source's rotation in `output`.
std::string rotationNotice(const std::string& output, const DisplayMatrix& matrix);

}  // namespace duovis::media
