#pragma once
// How a container says its frames pack the two eyes, read from and written to its stereo
// side data; and how frames cross a pipe.

namespace duovis::media {

enum class Packing { None, SideBySide, TopBottom };

struct StereoLayout {
    Packing packing = Packing::None;
    bool rightFirst = false;  // the right eye on the left or at the top
    bool operator==(const StereoLayout& o) const {
        return packing == o.packing && rightFirst == o.rightFirst;
    }
};

// How frames cross a pipe ("-"): y4m, which says its size and rate, or raw RGBA samples, 8
// bits or 16 (little-endian) a channel, whose size the user gives for input.
enum class PipeFormat { Y4m, Rgba, Rgba64 };

}  // namespace duovis::media
