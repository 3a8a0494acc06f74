#pragma once
// How a container says its frames pack the two eyes, read from and written to its stereo
// side data.

namespace duovis::media {

enum class Packing { None, SideBySide, TopBottom };

struct StereoLayout {
    Packing packing = Packing::None;
    bool rightFirst = false;  // the right eye on the left or at the top
    bool operator==(const StereoLayout& o) const {
        return packing == o.packing && rightFirst == o.rightFirst;
    }
};

}  // namespace duovis::media
