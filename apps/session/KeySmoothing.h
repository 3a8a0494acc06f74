#pragma once
// Smoothing a correction measured frame by frame over a shot, robust to a frame measured wrong.

#include <vector>

namespace duovis::session {

struct ShotSample {
    int frame = 0;
    double value = 0;
};

// Each sample replaced by the robust line (median of pairwise slopes, then median intercept)
// through the `window` samples nearest it in order, evaluated at its frame. The window keeps
// its size at the shot's ends instead of shrinking, so a drift is followed to the last frame
// without lag or overshoot, and one wrong sample among them moves nothing much. Samples must
// be in frame order; a window of 1 returns them as they are. Throws std::invalid_argument for
// a window below 1.
std::vector<double> smoothShot(const std::vector<ShotSample>& samples, int window);

}  // namespace duovis::session
